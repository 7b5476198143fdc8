#include "app/connection/DeviceWait.h"

#include "devices/Device.h"
#include "serial/SerialController.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "tests/support/TimerLog.h"

#include <gtest/gtest.h>

namespace {

class DeviceWaitTest : public testing::Test {
protected:
    DeviceWaitTest() { dev.link("cu.x", pty.slavePath()); }

    void startWaiting() { wait.start({"cu.x", PortSettings{115200, 0, 0, true, true}, ""}); }
    bool reopen(Device& record)
    {
        bool opened = false;
        wait.reopen(record, opening, false, [&](bool done, const std::string& told) {
            opened = done;
            status = told;
        });
        return opened;
    }

    LogCapture log; // the lines are the log lines test's
    TimerLog timers;
    Pty pty;
    TempDir dev;
    Device device{"cu.x", dev.path()};
    SerialController serial;
    PortOpening opening{serial, [](const std::string&) {}};
    int retries = 0;
    std::string status;
    DeviceWait wait{[this] { ++retries; }};
};

TEST_F(DeviceWaitTest, RetriesComeSoonAtFirstThenEveryFiveSecondsOneAtATime)
{
    startWaiting();
    for (int i = 0; i < 5; ++i) {
        wait.scheduleRetry();
        wait.scheduleRetry(); // one is due already
        RunLoop::currentRunLoop().fireTimers();
    }
    EXPECT_EQ(timers.intervals, (std::vector<double>{0.5, 1.0, 2.0, 5.0, 5.0}));
    EXPECT_EQ(retries, 5);
    startWaiting();
    wait.scheduleRetry();
    EXPECT_EQ(timers.intervals.back(), 0.5) << "a new wait, a new pace";
    wait.stop();
    RunLoop::currentRunLoop().fireTimers();
    EXPECT_EQ(retries, 5) << "a wait that ended calls no retry";
}

TEST_F(DeviceWaitTest, TheReturningRecordTakesWhatTheOneBeforeItReceivedUnlessTheViewWasCleared)
{
    Device before("cu.x", dev.path()), cleared("cu.x", dev.path());
    before.appendRecvBuf("crash ", 6);
    wait.keepReceived(before);
    startWaiting();
    ASSERT_TRUE(reopen(device));
    EXPECT_EQ(device.getRecvBuf(), "crash ");
    EXPECT_EQ(device.getRecvCount(), 6u);
    wait.forgetReceived();
    serial.closePort(&device);
    ASSERT_TRUE(reopen(cleared));
    EXPECT_EQ(cleared.getRecvBuf(), "");
}

} // namespace
