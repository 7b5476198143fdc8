// Every diagnostic line the program writes to standard output, word for word: the lines are
// the program's contract with whoever reads its log, misspellings included. This is the one
// place that asserts their text; the behaviour behind them is tested where it lives.
#include "tests/app/terminal/DocumentFixture.h"

#include "app/connection/PortPump.h"
#include "app/text/decode.h"
#include "devices/CharacterFormat.h"
#include "serial/PortOptions.h"
#include "serial/SerialController.h"
#include "tests/support/FakeModemLines.h"
#include "tests/support/FakePort.h"

#include <cstdlib>

namespace {

class LogLinesTest : public DocumentTest {
protected:
    template <typename F>
    std::string logged(F&& f)
    {
        log.take();
        f();
        return log.take();
    }
    static std::string opening(const std::string& packet = "N81", const std::string& flow = "None")
    {
        return "SETTING Packet " + packet + "\nSETTING Flow " + flow + "\nOPEND port\n";
    }
    const std::string closing = "Closed previsouly enabled port\n";
};

TEST_F(LogLinesTest, AWindowSaysItIsSetUpAndItsReadToggleLogsTheOpeningOrClosingThenItself)
{
    folder.attach("cu.usb");
    std::unique_ptr<Window> window;
    EXPECT_EQ(logged([&] { window = openWindow(); }), "INIT\nStarted Timer\nSETUP\n");
    EXPECT_EQ(logged([&] { window->readOn(); }), opening() + "INTERFACE: TOGGLED read\n");
    EXPECT_EQ(logged([&] { window->readOn(); }), "INTERFACE: TOGGLED read\n");
    EXPECT_EQ(logged([&] { window->readOff(); }), closing + "INTERFACE: TOGGLED read\n");
}

TEST_F(LogLinesTest, ASettingOrAReconnectLogsTheReopeningAndAClosedPortFailingToClose)
{
    folder.attach("cu.usb");
    auto window = openWindow();
    TerminalControls& c = window->controls;
    EXPECT_EQ(logged([&] { window->choose(c.baudRatePU, "14400"); }),
              "Failed to closed previsouly enabled port\n" + opening() + "INTERFACE: SET_BAUD TO: 14400  clicked\n");
    EXPECT_EQ(logged([&] { window->choose(c.packetPU, "odd-7-1"); }),
              closing + opening("O71") + "INTERFACE: SET_PACKET: 2  clicked\n");
    EXPECT_EQ(logged([&] { window->choose(c.flowPU, "Xon/Xoff"); }),
              closing + opening("O71", "XON/XOFF") + "INTERFACE: SET_FLOW: 1  clicked\n");
    EXPECT_EQ(logged([&] { window->document->chooseBaudRate(74880); }),
              closing + opening("O71", "XON/XOFF") + "INTERFACE: SET_BAUD TO: 74880  clicked\n");
    EXPECT_EQ(logged([&] { window->choose(c.baudRatePU, "74880"); }),
              closing + opening("O71", "XON/XOFF") + "INTERFACE: SET_BAUD TO: 74880  clicked\n")
        << "the extra entry chosen again reopens at its rate";
    const CharacterFormat none82{8, CharacterFormat::Parity::None, 2};
    EXPECT_EQ(logged([&] { window->document->chooseCharacterFormat(none82); }),
              closing + opening("N82", "XON/XOFF") + "INTERFACE: SET_PACKET: " + std::to_string(none82.toFlag()) +
                  "  clicked\n");
    EXPECT_EQ(logged([&] { window->choose(c.flowPU, "Hardware"); }),
              closing + opening("N82", "Hardware") + "INTERFACE: SET_FLOW: 2  clicked\n");
    folder.detach("cu.usb");
    folder.list.rescan();
    folder.attach("cu.usb");
    EXPECT_EQ(logged([&] { folder.list.rescan(); }), opening("N82", "Hardware")) << "a reconnect logs any opening's lines";
}

// A new window works with its first device without having opened it; choosing another asks
// for the first one's close all the same, as every device choice does.
TEST_F(LogLinesTest, ChoosingADeviceLogsTheMoveTheSameOneAgainSaysSoAndAScanNamesWhatWent)
{
    const std::string odd = "cu.b\x1b[31m";
    folder.attach("cu.a");
    auto window = openWindow(); // on cu.a, the only one
    folder.attach(odd);
    folder.list.rescan();
    EXPECT_EQ(logged([&] { window->choose(window->controls.devicePU, odd); }),
              "Failed to closed previsouly enabled port\n" + opening());
    EXPECT_EQ(logged([&] { window->choose(window->controls.devicePU, odd); }), "Same device as last enabled: cu.b\\27[31m\n");
    EXPECT_EQ(logged([&] { window->choose(window->controls.devicePU, "cu.a"); }), closing + opening());
    EXPECT_EQ(logged([&] { window->click(window->controls.refreshButton); }),
              "INTERFACE: REFRESH button clicked, 2 in array\n");
    folder.detach(odd);
    EXPECT_EQ(logged([&] { folder.list.rescan(); }), "device cu.b\\27[31m not found again, REMOVING..\n");
    folder.detach("cu.a");
    const std::string lines = logged([&] { folder.list.rescan(); });
    EXPECT_TRUE(lines.starts_with("device cu.a not found again, REMOVING..\n")) << lines; // the port closes after
}

TEST_F(LogLinesTest, TheEditorIsDecodedOnceAnEditForAnotherViewAndASend)
{
    folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    window->view(1);
    EXPECT_EQ(logged([&] { window->type(u"%\n"); }), "DECODED: BEFORE: %\n\nDECODED: AFTER: %\n\n");
    EXPECT_EQ(logged([&] { window->view(3); }), "DECODED: BEFORE: %\\10\nDECODED: AFTER: %\n\n"
                                                 "INTERFACE: FILTER: 3 clicked\n");
    EXPECT_EQ(logged([&] { window->click(window->controls.sendButton); }),
              "DECODED: BEFORE: \\0x25\\0xA\nDECODED: AFTER: %\n\nSerial: Wrote 2 bytes\nINTERFACE: SEND button clicked\n");
    EXPECT_EQ(logged([&] { window->click(window->controls.sendButton); }),
              "DECODED: BEFORE: \nDECODED: AFTER: \nSerial: Wrote 0 bytes\nINTERFACE: SEND button clicked\n");
}

TEST_F(LogLinesTest, DecodeLogsTheTextBeforeAndAfterAsUtf8)
{
    const auto decoded = [&](const AttributedText& text, int mode) { return logged([&] { decode(text, mode); }); };
    // U+00E9, U+20AC, U+1F600 as a pair, a lone high surrogate, and a NUL in both lines.
    AttributedText text(std::u16string(u"h\u00E9\u20AC\U0001F600\xD800\0", 7));
    text.append(u"\\65\\0", grayColor());
    EXPECT_EQ(decoded(text, 2), "DECODED: BEFORE: h\u00E9\u20AC\U0001F600\uFFFD\\65\\0\n"
                                "DECODED: AFTER: h\u00E9\u20AC\U0001F600\uFFFDA\n");
    EXPECT_EQ(decoded(AttributedText(u"\\65", grayColor()), 0), "DECODED: BEFORE: \\65\n");
    // Long enough for the 7-bit fast path and for more than one piece of the line, with surrogate
    // pairs across a 16-unit block and across pieces.
    const std::u16string longText =
        std::u16string(31, u'a') + u"\U0001F600" + std::u16string(4062, u'b') + u"\U0001F600" + std::u16string(900, u'c');
    EXPECT_EQ(decoded(AttributedText(longText), 0), "DECODED: BEFORE: " + std::string(31, 'a') + "\U0001F600" +
                                                         std::string(4062, 'b') + "\U0001F600" + std::string(900, 'c') + "\n");
}

TEST_F(LogLinesTest, EachReadSaysHowManyBytesItGotWithNoEmptyReadAfterIt)
{
    auto* port = new FakePort(5);
    Device device("cu.fake");
    device.setPort(std::unique_ptr<Port>(port));
    PortPump::startReading(device);
    port->incoming = std::string(3000, 'a');
    EXPECT_EQ(logged([&] { port->becomeReadable(); }), "Serial:3000 Bytes Read\n");
    char buffer[512];
    SerialController serial;
    port->incoming = std::string(600, 'a');
    EXPECT_EQ(logged([&] {
        for (int i = 0; i < 3; ++i)
            serial.readPort(&device, buffer, sizeof buffer);
    }), "Serial:512 Bytes Read\nSerial:88 Bytes Read\nSerial:NO DATA\n");
}

TEST_F(LogLinesTest, ReadingOrSendingWithoutAPortOrOnAHungUpOneSaysSo)
{
    Pty& pty = folder.attach("cu.pty");
    Device device("cu.pty", folder.dev.path());
    SerialController serial;
    char buffer[16];
    const auto readAndSend = [&] {
        serial.readPort(&device, buffer, sizeof buffer);
        serial.sendOnPort(&device, "x", 1);
    };
    EXPECT_EQ(logged(readAndSend), "---------->Device port handle not initialized\nInvalid port handle\n");
    ASSERT_TRUE(serial.openPort(&device));
    pty.hangUp();
    EXPECT_EQ(logged(readAndSend), "Serial:ERROR reading data from port\nSerial: wrote no (-1) bytes\n");
}

TEST(SharedDeviceListLines, FirstUseCreatesTheOneListAndSaysSoOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            LogCapture lines;
            DeviceList* first = &DeviceList::sharedDeviceList();
            DeviceList* again = &DeviceList::sharedDeviceList();
            std::_Exit(first == again && lines.take() == "DeviceList INIT\n" ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(LogLinesTest, WhatDoesNothingLogsNothing)
{
    folder.attach("cu.board");
    auto window = openWindow();
    TerminalControls& c = window->controls;
    c.baudRatePU.selectItemAtIndex(-1);
    c.devicePU.selectItemAtIndex(-1);
    const auto wire = std::make_shared<FakeModemLines::Wire>();
    EXPECT_EQ(logged([&] {
        c.baudRatePU.sendAction();
        c.devicePU.sendAction();
        window->tick(); // reading off: nothing is read
        window->document->chooseBaudRate(49);
        window->readOn();
        window->document->serialController().setModemLinesFactory(FakeModemLines::factory(wire));
        log.take();
        for (int i = 0; i < 20; ++i, wire->asserted ^= ModemLines::Cts)
            window->document->lines().poll(); // ten times a second
    }), "");
}

} // namespace
