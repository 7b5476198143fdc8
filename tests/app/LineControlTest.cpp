// Any rate and format from the dialogs, as the document stores, shows and logs them, and the
// modem lines driven through a fake of the serial layer's ModemLines.
#include "serial/SerialController.h"
#include "tests/app/DocumentFixture.h"

#include "devices/CharacterFormat.h"
#include "serial/ExactSpeed.h"
#include "tests/support/FakeModemLines.h"

#include <cerrno>

using namespace std::chrono_literals;

namespace {

std::string reopened(const std::string& action)
{
    return "Closed previsouly enabled port\nSETTING Packet " + action;
}

void runFor(std::chrono::milliseconds time)
{
    RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + time);
}

} // namespace

TEST_F(DocumentTest, ADialogRateOrFormatIsLoggedAsAPopUpChoiceAndShownAsAnExtraEntryUntilAStandardOne)
{
    Pty& pty = attach("cu.board");
    const auto window = openWindow("cu.board");
    TerminalControls& c = window->controls;
    MyDocument& document = *window->document;

    // Set exactly, as the kernel's own record of the speed (TCGETS2 on Linux) tells.
    const auto speed = [&] {
        unsigned input = 0, output = 0;
        EXPECT_TRUE(ExactSpeed::read(pty.slave(), input, output));
        return std::pair(static_cast<int>(input), static_cast<int>(output));
    };
    for (const int rate : {50, 250000, 921600, 3000000, 4000000, 74880}) {
        EXPECT_EQ(logged([&] { document.chooseBaudRate(rate); }),
                  reopened("N81\nSETTING Flow None\nOPEND port\nINTERFACE: SET_BAUD TO: " + std::to_string(rate) +
                           "  clicked\n"));
        EXPECT_EQ(speed(), std::pair(rate, rate));
        EXPECT_EQ(document.serialController().runningRate(), rate);
    }
    EXPECT_EQ(c.baudRatePU.numberOfItems(), 14);
    EXPECT_EQ(c.baudRatePU.indexOfSelectedItem(), 13);
    EXPECT_EQ(document.windowTitle(), "cu.board - 74880 none-8-1 None");
    // The extra entry chosen again reopens at its rate, as any choice of the rate in force does.
    EXPECT_EQ(logged([&] { window->choose(c.baudRatePU, "74880"); }),
              reopened("N81\nSETTING Flow None\nOPEND port\nINTERFACE: SET_BAUD TO: 74880  clicked\n"));
    // A rate that is not positive still opens at 9600, and shows as the 9600 it runs at.
    window->device()->setBaud(-1);
    window->readOff();
    window->readOn();
    EXPECT_EQ(speed(), std::pair(9600, 9600));
    EXPECT_EQ(c.baudRatePU.numberOfItems(), 13);
    window->choose(c.baudRatePU, "115200");
    EXPECT_EQ(window->shown(), "cu.board 115200 none-8-1 None");
    // Out of range: refused with a word in the status, nothing reopened.
    EXPECT_EQ(logged([&] { document.chooseBaudRate(49); document.chooseBaudRate(4'000'001); }), "");
    EXPECT_EQ(window->device()->getBaud(), 115200);

    using Parity = CharacterFormat::Parity;
    const int none82 = CharacterFormat{8, Parity::None, 2}.toFlag();
    EXPECT_EQ(logged([&] { document.chooseCharacterFormat({8, Parity::None, 2}); }),
              reopened("N82\nSETTING Flow None\nOPEND port\nINTERFACE: SET_PACKET: " + std::to_string(none82) +
                       "  clicked\n"));
    EXPECT_EQ(c.packetPU.itemTitles(), (std::vector<std::string>{"none-8-1", "even-7-1", "odd-7-1", "none-8-2"}));
    EXPECT_EQ(document.windowTitle(), "cu.board - 115200 none-8-2 None");
    // A named format from the dialog is the named one, flag and all.
    EXPECT_EQ(logged([&] { document.chooseCharacterFormat({7, Parity::Even, 1}); }),
              reopened("E71\nSETTING Flow None\nOPEND port\nINTERFACE: SET_PACKET: 1  clicked\n"));
    EXPECT_EQ(c.packetPU.numberOfItems(), 3);
    EXPECT_EQ(window->shown(), "cu.board 115200 even-7-1 None");
}

TEST_F(DocumentTest, ModemLinesFollowTheMenuAndTheRecordAndAPortWithoutThemDisablesThem)
{
    attach("cu.board");
    const auto window = openWindow("cu.board");
    MyDocument& document = *window->document;
    // A real pty answers the ioctls with ENOTTY.
    EXPECT_FALSE(document.lineState().usable);
    EXPECT_EQ(document.lineState().why, "This port has no modem lines");

    const auto wire = std::make_shared<FakeModemLines::Wire>();
    document.serialController().setModemLinesFactory(FakeModemLines::factory(wire));
    int changes = 0;
    document.setStateObserver([&] { ++changes; });
    EXPECT_TRUE(document.pollModemLines());
    EXPECT_TRUE(document.lineState().usable && document.lineState().rtsUsable);

    document.setDtr(false);
    document.setRts(false);
    EXPECT_EQ(wire->asserted, 0u);
    EXPECT_EQ(document.lineState().asserted, 0u);
    document.setRts(true);
    EXPECT_EQ(wire->asserted, unsigned{ModemLines::Rts});
    // The record keeps DTR down over a reopen, which raised it.
    wire->asserted = ModemLines::Dtr | ModemLines::Rts;
    document.chooseBaudRate(250000);
    EXPECT_EQ(wire->asserted, unsigned{ModemLines::Rts});
    document.setDtr(true);

    // The device's lines show when they change, once per change, and polling logs nothing.
    changes = 0;
    wire->asserted |= ModemLines::Cts | ModemLines::Dcd;
    EXPECT_EQ(logged([&] {
        for (int i = 0; i < 20; ++i)
            document.pollModemLines();
    }), "");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(document.lineState().asserted, ModemLines::Dtr | ModemLines::Rts | ModemLines::Cts | ModemLines::Dcd);

    // DTR drops for 0.1 s and a break lasts 0.25 s, while the run loop goes on.
    document.pulseDtr();
    document.sendBreak();
    EXPECT_FALSE(wire->asserted & ModemLines::Dtr);
    EXPECT_TRUE(wire->breaking);
    // A busy machine runs the loop late, never early: what is seen is checked against when.
    const auto start = std::chrono::steady_clock::now();
    runFor(60ms);
    const bool dtrLow = !(wire->asserted & ModemLines::Dtr);
    if (std::chrono::steady_clock::now() - start < 100ms) {
        EXPECT_TRUE(dtrLow) << "raised too soon";
    }
    runFor(80ms);
    const bool breaking = wire->breaking;
    EXPECT_TRUE(wire->asserted & ModemLines::Dtr);
    if (std::chrono::steady_clock::now() - start < 250ms) {
        EXPECT_TRUE(breaking) << "break ended too soon";
    }
    runFor(150ms);
    EXPECT_FALSE(wire->breaking);
    EXPECT_EQ(wire->breaks, 1);

    // With hardware flow control RTS is the driver's.
    window->choose(window->controls.flowPU, "Hardware");
    EXPECT_FALSE(document.lineState().rtsUsable);
    EXPECT_EQ(document.lineState().rtsWhy, "Hardware flow control drives RTS");
    document.setRts(false);
    document.chooseBaudRate(250000);
    EXPECT_TRUE(wire->asserted & ModemLines::Rts) << "neither the item nor a reopen touches it";

    // A port that answers as a pty does: everything disabled, and said why once.
    wire->error = ENOTTY;
    changes = 0;
    EXPECT_EQ(logged([&] {
        for (int i = 0; i < 20; ++i)
            document.pollModemLines();
    }), "");
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(document.lineState().usable || document.lineState().rtsUsable);
    EXPECT_EQ(document.lineState().rtsWhy, "This port has no modem lines");

    // Closing the window ends a break it started.
    wire->error = 0;
    document.sendBreak();
    document.close();
    EXPECT_FALSE(wire->breaking);
}
