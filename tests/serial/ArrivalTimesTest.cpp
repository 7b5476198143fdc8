#include "devices/Device.h"
#include "serial/SerialController.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

// A slow stream is read on the window's ticks, up to 0.1 s after it came; its bytes must still
// carry the times they arrived, so lines split at pauses and stamps tell when lines came.
TEST(ArrivalTimes, BytesReadLateCarryTheTimesTheyArrivedApart)
{
    const LogCapture quiet;
    Pty pty;
    TempDir dev;
    dev.link("cu.slow", pty.slavePath());
    Device device("cu.slow", dev.path());
    SerialController serial;
    ASSERT_TRUE(serial.openPort(&device));
    device.getPort()->watchReadable([] {});
    device.getPort()->pauseReadable(); // read later, as the ticks read a slow stream
    std::this_thread::sleep_for(5ms);

    const auto first = std::chrono::steady_clock::now();
    pty.writeMaster("a");
    std::this_thread::sleep_for(40ms);
    const auto second = std::chrono::steady_clock::now();
    pty.writeMaster("b");
    std::this_thread::sleep_for(60ms);

    char buffer[16];
    std::vector<Port::Arrival> arrivals;
    ASSERT_EQ(serial.readPort(&device, buffer, sizeof buffer, arrivals), 2);
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].length, 1u);
    // Late only by the scheduler; a loaded machine may take a few ms to run the clock's thread.
    EXPECT_LT(arrivals[0].at.steady - first, 20ms);
    EXPECT_LT(arrivals[1].at.steady - second, 20ms);
    EXPECT_GT(arrivals[1].at.steady - arrivals[0].at.steady, 25ms);
}
