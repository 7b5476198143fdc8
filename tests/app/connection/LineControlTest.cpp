// A window's modem lines through a fake of the serial layer's ModemLines, on a pty's port.
#include "app/connection/LineControl.h"

#include "serial/ModemLines.h"
#include "serial/SerialController.h"
#include "tests/support/DeviceFolder.h"
#include "tests/support/FakeModemLines.h"
#include "tests/support/LogCapture.h"
#include "tests/support/NotedConnection.h"
#include "tests/support/TimerLog.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

class LineControlTest : public testing::Test {
protected:
    LineControlTest()
    {
        folder.attach("cu.board");
        noted.connection.rescan();
        noted.use("cu.board");
    }
    // The port's lines from now on are the wire's.
    void fake()
    {
        noted.connection.serial().setModemLinesFactory(FakeModemLines::factory(wire));
        lines.poll();
        changes = 0;
    }
    void reopen() { noted.connection.applySetting([](PortSettings&) {}); }

    LogCapture log; // the lines are the log lines test's
    TimerLog timers;
    DeviceFolder folder;
    NotedConnection noted{folder.list};
    std::string status;
    int changes = 0;
    LineControl lines{noted.connection, [this](const std::string& text) { status = text; }, [this] { ++changes; }};
    std::shared_ptr<FakeModemLines::Wire> wire = std::make_shared<FakeModemLines::Wire>();
};

TEST_F(LineControlTest, APtyOrAClosedPortHasNoLinesToUseAndSaysWhy)
{
    // A real pty answers the ioctls with ENOTTY.
    EXPECT_FALSE(lines.read().usable);
    EXPECT_EQ(lines.read().why, "This port has no modem lines");
    noted.connection.disableReading();
    EXPECT_EQ(lines.read().why, "Open the port to use its modem lines");
    EXPECT_EQ(lines.read().asserted, ModemLines::Dtr | ModemLines::Rts) << "as the record wants them";
}

TEST_F(LineControlTest, APortWithLinesHasThemFollowTheUsersSwitchesAlsoOverAReopen)
{
    fake();
    EXPECT_TRUE(lines.shown().usable && lines.shown().rtsUsable);
    lines.setDtr(false);
    lines.setRts(false);
    EXPECT_EQ(wire->asserted, 0u);
    EXPECT_EQ(lines.shown().asserted, 0u);
    lines.setRts(true);
    EXPECT_EQ(wire->asserted, unsigned{ModemLines::Rts});
    wire->asserted = ModemLines::Dtr | ModemLines::Rts; // as opening a port does
    reopen();
    EXPECT_EQ(wire->asserted, unsigned{ModemLines::Rts});
}

TEST_F(LineControlTest, TheLinesAreToldOncePerChangeAndAnAnswerAsAPtysDisablesThemAll)
{
    fake();
    wire->asserted |= ModemLines::Cts | ModemLines::Dcd;
    for (int i = 0; i < 20; ++i)
        lines.poll();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(lines.shown().asserted, ModemLines::Dtr | ModemLines::Rts | ModemLines::Cts | ModemLines::Dcd);
    wire->error = ENOTTY; // as a pty answers
    for (int i = 0; i < 20; ++i)
        lines.poll();
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(lines.shown().usable || lines.shown().rtsUsable);
    EXPECT_EQ(lines.shown().rtsWhy, "This port has no modem lines");
}

TEST_F(LineControlTest, APulseDropsDtrForATenthOfASecondAndABreakLastsAQuarterOneAtATime)
{
    fake();
    lines.pulseDtr();
    EXPECT_FALSE(wire->asserted & ModemLines::Dtr);
    EXPECT_EQ(timers.intervals, std::vector<double>{0.1});
    RunLoop::currentRunLoop().fireTimers();
    EXPECT_TRUE(wire->asserted & ModemLines::Dtr);
    lines.sendBreak();
    lines.sendBreak();
    EXPECT_TRUE(wire->breaking);
    EXPECT_EQ(timers.intervals, (std::vector<double>{0.1, 0.25}));
    RunLoop::currentRunLoop().fireTimers();
    EXPECT_FALSE(wire->breaking);
    EXPECT_EQ(wire->breaks, 1);
}

TEST_F(LineControlTest, WithHardwareFlowControlRtsIsTheDrivers)
{
    fake();
    noted.connection.applySetting([](PortSettings& settings) { settings.flow = 2; });
    lines.follow();
    EXPECT_FALSE(lines.shown().rtsUsable);
    EXPECT_EQ(lines.shown().rtsWhy, "Hardware flow control drives RTS");
    lines.setRts(false);
    EXPECT_EQ(status, "Hardware flow control drives RTS.");
    reopen();
    EXPECT_TRUE(wire->asserted & ModemLines::Rts) << "neither the item nor a reopen touches it";
}

} // namespace
