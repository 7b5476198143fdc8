#include "app/connection/DeviceWait.h"

#include "devices/Device.h"
#include "serial/SerialController.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "tests/support/TimerLog.h"

#include <gtest/gtest.h>

#include <termios.h>

namespace {

class DeviceWaitTest : public testing::Test {
protected:
    DeviceWaitTest() { dev.link("cu.x", pty.slavePath()); }

    void startWaiting(std::string identity = "")
    {
        wait.start({"cu.x", PortSettings{115200, 0, 0, true, true}, std::move(identity)});
    }
    bool reopen(Device& record, bool identifies = false) { return wait.reopen(record, serial, identifies, status); }

    LogCapture log; // the lines are the log lines test's
    TimerLog timers;
    Pty pty;
    TempDir dev;
    Device device{"cu.x", dev.path()};
    SerialController serial;
    int retries = 0;
    std::string status;
    DeviceWait wait{[this] { ++retries; }};
};

TEST_F(DeviceWaitTest, WhileWaitingThePopUpShowsTheNameAsDisconnected)
{
    EXPECT_EQ(wait.title(), "");
    startWaiting();
    EXPECT_EQ(wait.title(), "cu.x (disconnected)");
    wait.stop();
    EXPECT_FALSE(wait.isWaiting());
}

TEST_F(DeviceWaitTest, RetriesComeSoonAtFirstThenEveryFiveSeconds)
{
    startWaiting();
    for (int i = 0; i < 5; ++i) {
        wait.scheduleRetry();
        RunLoop::currentRunLoop().fireTimers();
    }
    EXPECT_EQ(timers.intervals, (std::vector<double>{0.5, 1.0, 2.0, 5.0, 5.0}));
    EXPECT_EQ(retries, 5);
}

TEST_F(DeviceWaitTest, ARetryAlreadyDueIsNotScheduledTwice)
{
    startWaiting();
    wait.scheduleRetry();
    wait.scheduleRetry();
    RunLoop::currentRunLoop().fireTimers();
    EXPECT_EQ(timers.intervals.size(), 1u);
    EXPECT_EQ(retries, 1);
}

TEST_F(DeviceWaitTest, AWaitStartedAfreshStartsThePaceAfresh)
{
    startWaiting();
    wait.scheduleRetry();
    RunLoop::currentRunLoop().fireTimers();
    startWaiting();
    wait.scheduleRetry();
    EXPECT_EQ(timers.intervals, (std::vector<double>{0.5, 0.5}));
}

TEST_F(DeviceWaitTest, AWaitThatEndsCallsNoRetry)
{
    startWaiting();
    wait.scheduleRetry();
    wait.stop();
    RunLoop::currentRunLoop().fireTimers();
    EXPECT_EQ(retries, 0);
    wait.scheduleRetry();
    EXPECT_EQ(RunLoop::currentRunLoop().timerCount(), 0u) << "nothing is waited for";
}

TEST_F(DeviceWaitTest, TheDeviceOpensWithTheWantedSettings)
{
    startWaiting();
    ASSERT_TRUE(reopen(device));
    EXPECT_EQ(status, "");
    EXPECT_EQ(device.getBaud(), 115200);
    const termios options = pty.slaveOptions();
    EXPECT_EQ(cfgetospeed(&options), speed_t{B115200});
}

TEST_F(DeviceWaitTest, APortAnotherWindowReopenedAlreadyIsJoined)
{
    startWaiting();
    ASSERT_TRUE(serial.openPort(&device));
    const int descriptor = device.getPortHandle();
    EXPECT_TRUE(reopen(device));
    EXPECT_EQ(device.getPortHandle(), descriptor);
}

TEST_F(DeviceWaitTest, AnotherAdapterUnderTheNameIsRefused)
{
    startWaiting("usb-A");
    device.setIdentity("usb-B");
    EXPECT_FALSE(reopen(device, true));
    EXPECT_EQ(status, "A different device (usb-B) now has the name cu.x; still waiting for usb-A");
    EXPECT_EQ(device.getPortHandle(), -1);
}

TEST_F(DeviceWaitTest, ADeviceNotYetKnownAsTheAdapterIsLookedAtAgainLater)
{
    startWaiting("usb-A");
    EXPECT_FALSE(reopen(device, true));
    EXPECT_EQ(status, "cu.x is back, but not yet known as usb-A; still waiting for it");
    EXPECT_EQ(timers.intervals.size(), 1u);
}

TEST_F(DeviceWaitTest, WithoutIdentitiesToTellAnyDeviceUnderTheNameIsTaken)
{
    startWaiting("usb-A");
    EXPECT_TRUE(reopen(device, false));
}

TEST_F(DeviceWaitTest, ADeviceThatDoesNotOpenSaysWhyAndIsTriedAgain)
{
    startWaiting();
    dev.remove("cu.x");
    EXPECT_FALSE(reopen(device));
    EXPECT_EQ(status, "Cannot open " + device.path() + ": No such file or directory. Still waiting for cu.x and trying again.");
    EXPECT_EQ(timers.intervals.size(), 1u);
}

TEST_F(DeviceWaitTest, ABusyDeviceIsWaitedForUntilItIsFree)
{
    Device holder("cu.x", dev.path());
    SerialController other;
    ASSERT_TRUE(other.openPort(&holder));
    startWaiting();
    EXPECT_FALSE(reopen(device));
    EXPECT_TRUE(status.starts_with("cu.x is ") && status.ends_with("; waiting for it to be free")) << status;
    EXPECT_EQ(timers.intervals.size(), 1u);
}

TEST_F(DeviceWaitTest, TheReturningRecordTakesWhatTheOneBeforeItReceived)
{
    Device before("cu.x", dev.path());
    before.appendRecvBuf("crash ", 6);
    wait.keepReceived(before);
    startWaiting();
    ASSERT_TRUE(reopen(device));
    EXPECT_EQ(device.getRecvBuf(), "crash ");
    EXPECT_EQ(device.getRecvCount(), 6u);
}

TEST_F(DeviceWaitTest, WhatWasReceivedIsForgottenOnceTheViewIsCleared)
{
    Device before("cu.x", dev.path());
    before.appendRecvBuf("crash ", 6);
    wait.keepReceived(before);
    wait.forgetReceived();
    startWaiting();
    ASSERT_TRUE(reopen(device));
    EXPECT_EQ(device.getRecvBuf(), "");
}

} // namespace
