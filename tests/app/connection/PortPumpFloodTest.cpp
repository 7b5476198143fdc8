#include "app/connection/PortPump.h"

#include "devices/Device.h"
#include "serial/SerialController.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

// The real port calls a copy of the watch's callback at each readiness: what the pump learns
// of a busy stream must outlive that copy, or a flood that arrives in small pieces is left to
// the ticks between its big reads.
TEST(PortPumpFlood, AFloodWrittenInSmallPiecesKeepsThePortWatched)
{
    const LogCapture quiet;
    Pty pty;
    TempDir dev;
    dev.link("cu.flood", pty.slavePath());
    Device device("cu.flood", dev.path());
    SerialController serial;
    ASSERT_TRUE(serial.openPort(&device));

    std::atomic<bool> writing{true};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const std::string piece(100, 'f');
        while (writing)
            pty.writeMaster(piece);
        done = true;
    });
    // A first read that finds much, as a flood's does.
    while (device.getPort()->bytesWaiting() < 2048)
        std::this_thread::sleep_for(1ms);
    PortPump::startReading(device);
    int paused = 0, looks = 0;
    const auto end = std::chrono::steady_clock::now() + 500ms;
    while (std::chrono::steady_clock::now() < end) {
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 5ms);
        ++looks;
        paused += device.getPort()->isReadablePaused() ? 1 : 0;
    }
    writing = false;
    while (!done) { // its last piece may wait for room, which a paused port makes only on a tick
        PortPump::resume(device);
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 5ms);
    }
    writer.join();
    EXPECT_EQ(paused, 0) << "paused at " << paused << " of " << looks << " looks";
    EXPECT_GT(device.getRecvCount(), 0u);
}
