// The document as the window's one object: what it shows beside the controls, how its
// collaborators are wired to the controls and to each other, and when it ticks.
#include "tests/app/terminal/DocumentFixture.h"

#include "serial/SerialController.h"
#include "tests/support/FakeModemLines.h"
#include "tests/support/GrayMask.h"

#include <algorithm>
#include <functional>
#include <sstream>
#include <thread>

#include <sys/stat.h>

namespace {

TEST_F(DocumentTest, ANewWindowShowsItsFirstDeviceWithItsSettingsAndWhetherItReadsItsPort)
{
    folder.attach("cu.usb");
    auto window = openWindow();
    EXPECT_EQ(window->shown(), "cu.usb 9600 none-8-1 None");
    EXPECT_EQ(window->document->windowTitle(), "cu.usb - 9600 none-8-1 None");
    EXPECT_FALSE(window->reading());
    EXPECT_EQ(window->document->portState(), "Port closed");
    window->readOn();
    EXPECT_TRUE(window->reading());
    EXPECT_EQ(window->document->portState(), "Port open, reading");
}

TEST_F(DocumentTest, ClearOrASettingInOneWindowOnASharedDeviceShowsInTheOtherAtItsNextTick)
{
    folder.attach("cu.b");
    auto first = openWindow("cu.b");
    auto second = openWindow("cu.b");
    first->device()->appendRecvBuf("shared", 6);
    second->tick();
    EXPECT_EQ(second->received(), u"shared");
    first->click(first->controls.clrRecvButton);
    EXPECT_TRUE(first->received().empty() && first->device()->getRecvBuf().empty());
    second->tick();
    EXPECT_TRUE(second->received().empty());
    first->choose(first->controls.baudRatePU, "57600");
    second->tick();
    EXPECT_EQ(second->document->windowTitle(), "cu.b - 57600 none-8-1 None");
}

TEST_F(DocumentTest, ADeviceThatComesShowsInEveryWindowAndOneThatIsChosenEmptiesTheViewUntilItsOwnReturns)
{
    folder.attach("cu.a");
    auto first = openWindow("cu.a");
    auto second = openWindow();
    folder.attach("cu.b");
    folder.list.rescan();
    for (const Window* window : {first.get(), second.get()}) {
        std::vector<std::string> names = window->controls.devicePU.itemTitles();
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"cu.a", "cu.b"}));
    }
    EXPECT_EQ(first->controls.devicePU.titleOfSelectedItem(), "cu.a") << "each keeps its own";
    first->device()->appendRecvBuf("from a", 6);
    first->tick();
    first->choose(first->controls.devicePU, "cu.b");
    EXPECT_TRUE(first->received().empty());
    first->choose(first->controls.baudRatePU, "115200");
    first->choose(first->controls.devicePU, "cu.a");
    EXPECT_EQ(first->shown(), "cu.a 9600 none-8-1 None");
    first->tick();
    EXPECT_EQ(first->received(), u"from a");
}

// Every byte value, far more than a tick's worth, captured by a window on one device and by
// both windows sharing the other.
TEST_F(DocumentTest, WindowsOnTwoDevicesGetEveryByteOfAFloodApartAndShowItsEnd)
{
    Pty& a = folder.attach("cu.a");
    Pty& b = folder.attach("cu.b");
    auto first = openWindow("cu.a");
    auto second = openWindow("cu.b");
    auto third = openWindow("cu.b");
    const std::string capture = folder.sys.path() + "/", toA = pattern(4 << 20, 0), toB = pattern(1 << 20, 99);
    for (const auto& [window, name] : {std::pair{first.get(), "a.log"}, {second.get(), "b.log"}, {third.get(), "c.log"}})
        ASSERT_EQ(window->document->startCapture(capture + name, Capture::Format::Raw), "");
    std::thread writerA([&] { a.writeMaster(toA); });
    std::thread writerB([&] { b.writeMaster(toB); });
    await([&] { return first->device()->getReceivedSinceOpen() == toA.size() && third->device()->getReceivedSinceOpen() == toB.size(); },
          run, std::chrono::seconds(30));
    writerA.join();
    writerB.join();
    // The last redraws: each view shows the buffer's end, one character a byte.
    const auto tail = [](const std::string& sent) {
        const auto* end = reinterpret_cast<const unsigned char*>(sent.data() + sent.size());
        return std::u16string(end - Device::maxRecvChars, end);
    };
    await([&] { return first->received() == tail(toA) && third->received() == tail(toB); }, run);
    EXPECT_TRUE(first->received() == tail(toA));
    EXPECT_TRUE(third->received() == tail(toB)) << "a window sharing the port shows what the other read";
    const std::string size = std::to_string(toA.size());
    EXPECT_EQ(first->document->captureState(), "Capturing to a.log: " + size + " bytes");
    first->document->stopCapture();
    await([&] { return first->document->captureState().empty(); }, [&] { first->tick(); });
    EXPECT_EQ(first->status(), "Capture saved to a.log: " + size + " bytes.");
    second->document->close(); // what quitting does to every window: the files are complete
    third->document->close();
    EXPECT_TRUE(contents(capture + "a.log") == toA);
    EXPECT_TRUE(contents(capture + "b.log") == toB);
    EXPECT_TRUE(contents(capture + "c.log") == toB);
}

TEST_F(DocumentTest, AnIdleWindowStopsTickingUntilDataWakesItAndShowsAtOnceOrTheUserActs)
{
    Pty& pty = folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    const auto sleepOnIt = [&] {
        for (int i = 0; i < MyDocument::idleTicksBeforeSleep; ++i)
            RunLoop::currentRunLoop().fireTimers();
        return window->document->isAsleep() && RunLoop::currentRunLoop().timerCount() == 0;
    };
    ASSERT_TRUE(sleepOnIt());
    EXPECT_EQ(RunLoop::currentRunLoop().fireReadyWatches(), 0u) << "and its port is not looked at";
    pty.writeMaster("wake up");
    ASSERT_TRUE(await([&] { return !window->document->isAsleep(); }, [] { RunLoop::currentRunLoop().fireReadyWatches(); }));
    EXPECT_EQ(RunLoop::currentRunLoop().timerCount(), 1u);
    EXPECT_EQ(window->received(), u"wake up") << "without waiting for a tick";
    ASSERT_TRUE(sleepOnIt());
    window->type(u"queued");
    window->click(window->controls.sendButton);
    EXPECT_FALSE(window->document->isAsleep()) << "what the port does not take goes out on the ticks";
}

TEST_F(DocumentTest, ADeviceNameShowsEscapedInTheTitleAndTheStatusAlsoWhileItIsWaitedFor)
{
    const std::string name = "cu.a\nb\x1b[31m", escaped = "cu.a\\10b\\27[31m";
    folder.attach(name);
    auto window = openWindow();
    window->choose(window->controls.baudRatePU, "115200");
    EXPECT_EQ(window->document->windowTitle(), escaped + " - 115200 none-8-1 None");
    folder.detach(name);
    folder.list.rescan();
    EXPECT_EQ(window->document->waitingFor(), name);
    EXPECT_EQ(window->document->windowTitle(), escaped + " (disconnected) - 115200 none-8-1 None");
    EXPECT_EQ(window->shown(), name + " (disconnected) 115200 none-8-1 None");
    EXPECT_EQ(window->status(), escaped + " was disconnected; waiting for it to come back");
}

TEST_F(DocumentTest, WithoutAnyDeviceNothingOpensAndWhatCannotBeSentStaysInTheEditor)
{
    auto window = openWindow();
    window->readOn();
    EXPECT_EQ(window->status(), "No serial device found. Connect one and press refresh.");
    window->choose(window->controls.baudRatePU, "115200");
    window->type(u"hi");
    window->click(window->controls.sendButton);
    window->tick();
    window->click(window->controls.clrRecvButton);
    EXPECT_FALSE(window->reading());
    EXPECT_EQ(window->editor(), u"hi");
    EXPECT_EQ(window->status(), "No serial device to send to. Connect one and press refresh.");
}

TEST_F(DocumentTest, TheValueButtonsAddTheirCharactersInBothViewsAndSendPutsTheEditorsBytesOnTheWire)
{
    Pty& pty = folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    TerminalControls& c = window->controls;
    c.nonPrintTF.setStringValue("65");
    for (Button* button : {&c.addNonPrint, &c.addLineButton, &c.addCRtrnButton, &c.addTabButton, &c.addNullButton})
        window->click(*button);
    EXPECT_EQ(c.nonPrintTF.stringValue(), "");
    window->click(c.sendButton);
    EXPECT_EQ(pty.readMaster(5, std::chrono::seconds(10)), std::string("A\n\r\t\0", 5));
    EXPECT_TRUE(window->editor().empty());
    EXPECT_EQ(window->document->trafficState(), "Rx 0 B  Tx 5 B");
    window->view(3); // where the values field reads bare numbers as hex
    c.nonPrintTF.setStringValue("AA 55 01 0D");
    window->click(c.addNonPrint);
    EXPECT_EQ(window->editor(), u"\\0xAA\\0x55\\0x1\\0xD");
    window->click(c.addLineButton);
    EXPECT_EQ(window->editor(), u"\\0xAA\\0x55\\0x1\\0xD\\0xA") << "the buttons' values stay decimal";
}

TEST_F(DocumentTest, AnEscapeTypedKeyByKeyInTheHexViewBecomesItsByte)
{
    Pty& pty = folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    window->view(3);
    for (const char16_t key : std::u16string(u"\\0x41\\0x4"))
        window->type(std::u16string(1, key));
    EXPECT_EQ(window->editor(), u"\\0x41\\0x4");
    EXPECT_EQ(grayMask(window->controls.sendTF.textStorage()), "#####....") << "the one being typed waits, plain";
    window->click(window->controls.sendButton);
    EXPECT_EQ(pty.readMaster(2, std::chrono::seconds(1)), std::string("A\x04", 2));
}

// A value list with a piece that gives no byte adds none of it: the text stays to be mended.
TEST_F(DocumentTest, AValueListWithABadPieceAddsNothingKeepsItsTextAndSaysWhatWasWrong)
{
    folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    window->controls.nonPrintTF.setStringValue("65, 0x42 300,,0 1e2");
    window->click(window->controls.addNonPrint);
    EXPECT_EQ(window->editor(), u"");
    EXPECT_EQ(window->controls.nonPrintTF.stringValue(), "65, 0x42 300,,0 1e2");
    EXPECT_EQ(window->status(), "300 is not a byte value (0-255); 1e2 is not a number: nothing was added.");
}

TEST_F(DocumentTest, AnotherEncodingEndsTheAdviceToSwitchToIt)
{
    auto window = openWindow();
    window->type(u"\u20AC");
    ASSERT_TRUE(window->status().ends_with("switch the text encoding to UTF-8 to send it")) << window->status();
    window->document->setTextEncoding(TextEncodingUtf8);
    EXPECT_EQ(window->status(), "");
}

TEST_F(DocumentTest, SaveReceivedWritesTheBufferAndSaysSo)
{
    folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    window->device()->appendRecvBuf("a\0b", 3);
    const std::string path = folder.sys.path() + "/received.bin";
    EXPECT_EQ(window->document->saveReceived(path), "");
    EXPECT_EQ(contents(path), std::string("a\0b", 3));
    EXPECT_EQ(window->status(), "Saved 3 received bytes to received.bin.");
    EXPECT_NE(window->document->saveReceived(folder.sys.path() + "/no/such.bin"), "");
    EXPECT_TRUE(window->status().starts_with("Cannot save to ")) << window->status();
    // A named pipe nobody reads would hold the window in open() until somebody does.
    const std::string fifo = folder.sys.path() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(window->document->saveReceived(fifo), "it is a named pipe (FIFO), not a regular file");
}

// More than a pty takes at once waits to go out; what throws it away is told in the window.
TEST_F(DocumentTest, QueuedOutputThatASettingReadingOffOrAnotherDeviceThrowsAwayIsTold)
{
    folder.attach("cu.a");
    folder.attach("cu.b");
    const std::function<void(Window&)> drops[] = {[](Window& w) { w.choose(w.controls.baudRatePU, "19200"); },
                                                  [](Window& w) { w.readOff(); },
                                                  [](Window& w) { w.choose(w.controls.devicePU, "cu.b"); }};
    for (const auto& drop : drops) {
        auto window = openWindow("cu.a");
        window->type(std::u16string(300000, u'x'));
        window->click(window->controls.sendButton);
        ASSERT_GT(window->device()->getPort()->pendingBytes(), 0u);
        drop(*window);
        EXPECT_NE(window->status().find("bytes waiting to go to cu.a were dropped"), std::string::npos)
            << window->status();
    }
}

// The capture marks the port's comings and goings in order as the connection tells them.
TEST_F(DocumentTest, ATextCaptureMarksThePortOpeningClosingAndGoingAwayInOrder)
{
    Pty& pty = folder.attach("cu.usb");
    auto window = openWindow();
    const std::string path = folder.sys.path() + "/text.log";
    ASSERT_EQ(window->document->startCapture(path, Capture::Format::Text), "");
    window->readOn();
    pty.writeMaster("hello\n");
    ASSERT_TRUE(window->receive(6));
    window->readOff();
    window->readOn();
    pty.hangUp();
    window->tick();
    window->document->stopCapture();
    await([&] { return window->document->captureState().empty(); }, [&] { window->tick(); });
    // The stamps are the capture test's.
    std::istringstream lines(contents(path));
    std::string body;
    for (std::string each; std::getline(lines, each) && each.size() > 24;)
        body += each.substr(24) + "\n";
    EXPECT_EQ(body, "--- Capture started ---\n"
                    "--- Port cu.usb opened, 9600 none-8-1 None ---\n"
                    "hello\n"
                    "--- Port cu.usb closed ---\n"
                    "--- Port cu.usb opened, 9600 none-8-1 None ---\n"
                    "--- cu.usb went away: Input/output error ---\n"
                    "--- Capture stopped ---\n");
}

TEST_F(DocumentTest, ClosingTheWindowStopsItsTicksAndEndsABreakItStarted)
{
    folder.attach("cu.board");
    auto window = openWindow("cu.board");
    const auto wire = std::make_shared<FakeModemLines::Wire>();
    window->document->serialController().setModemLinesFactory(FakeModemLines::factory(wire));
    window->document->lines().sendBreak();
    ASSERT_TRUE(wire->breaking);
    window->document->close();
    EXPECT_FALSE(wire->breaking);
    EXPECT_EQ(RunLoop::currentRunLoop().timerCount(), 0u);
}

} // namespace
