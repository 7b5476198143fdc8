#include "devices/Device.h"
#include "serial/ExactSpeed.h"
#include "serial/SerialController.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

// An exact rate leaves its input speed beside the output one; a standard rate chosen after it
// must set both, or the port reads at the old rate.
TEST(RateChange, AStandardRateAfterACustomOneSetsTheInputSpeedToo)
{
    const LogCapture quiet;
    Pty pty;
    TempDir dev;
    dev.link("cu.rate", pty.slavePath());
    Device device("cu.rate", dev.path());
    // Another program holding the device keeps the rate across our closes, as a real one does.
    const pid_t holder = ::fork();
    ASSERT_NE(holder, -1);
    if (holder == 0) {
        ::pause();
        ::_exit(0);
    }
    SerialController serial;
    device.setBaud(250000);
    ASSERT_TRUE(serial.openPort(&device));
    device.setBaud(9600);
    ASSERT_TRUE(serial.openPort(&device));
    unsigned input = 0, output = 0;
    ASSERT_TRUE(ExactSpeed::read(pty.slave(), input, output));
    EXPECT_EQ(output, 9600u);
    EXPECT_EQ(input, 9600u);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
}
