#include "app/connection/PortPump.h"

#include "devices/Device.h"
#include "serial/SerialController.h"
#include "tests/support/FakePort.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

struct PumpTest : testing::Test {
    PumpTest()
    {
        device.setPort(std::unique_ptr<Port>(port));
        device.addListener(this, [this](std::string_view bytes, const Moment&) { heard.append(bytes); ++news; });
        PortPump::startReading(device);
    }

    LogCapture lines; // the lines are the log lines test's
    FakePort* port = new FakePort(5);
    std::string heard;
    int news = 0;
    Device device{"cu.fake"}; // gone first: it tells its listener as it goes
};

TEST_F(PumpTest, ASlowStreamIsLeftToTheTicksAndNothingLeavesThePortUnread)
{
    // A readiness that finds nothing (a tick got there first) must not pause: nothing would wake a window to read on.
    port->becomeReadable();
    EXPECT_FALSE(port->isReadablePaused());
    // No big read for a while: a few bytes pause the watch, and the ticks read on.
    port->incoming = "ab";
    port->becomeReadable();
    EXPECT_TRUE(port->isReadablePaused());
    port->incoming = "cd";
    port->becomeReadable(); // paused: the event loop would not call
    EXPECT_EQ(heard, "ab");
    PortPump::resume(device);
    EXPECT_EQ(heard, "abcd");
    EXPECT_TRUE(port->isReadablePaused()) << "a slow stream stays with the ticks";
    PortPump::resume(device);
    EXPECT_FALSE(port->isReadablePaused()) << "quiet: the next byte is read the moment it comes";
}

TEST_F(PumpTest, AReadThatFindsMuchKeepsThePortReadAsDataComes)
{
    port->incoming = std::string(3000, 'a');
    port->becomeReadable();
    EXPECT_EQ(heard, std::string(3000, 'a'));
    EXPECT_EQ(news, 1) << "all that waits in one read";
    EXPECT_FALSE(port->isReadablePaused());
}

TEST_F(PumpTest, OutputGoesOutAsThePortTakesItAndAFailedWriteSaysWhatWasLost)
{
    port->room = 4;
    port->queue("abcdefgh");
    PortPump::flushOutput(device);
    port->becomeWritable();
    EXPECT_EQ(port->written, "abcd");
    EXPECT_TRUE(port->isWatchingWritable()) << "the rest waits for room";
    port->room = 4;
    port->becomeWritable();
    EXPECT_EQ(port->written, "abcdefgh");
    EXPECT_FALSE(port->isWatchingWritable()) << "nothing left: no more wake-ups";
    // A failed write drops the queue and tells the record what was lost.
    port->writeError = EIO;
    port->queue("lost");
    PortPump::flushOutput(device);
    port->becomeWritable();
    EXPECT_FALSE(port->isWatchingWritable());
    EXPECT_EQ(device.takeWriteFailure(), (std::pair<int, std::size_t>{EIO, 4}));
    EXPECT_EQ(port->pendingBytes(), 0u);
}

// The real port calls a copy of the watch's callback at each readiness: what the pump learns
// of a busy stream must outlive that copy, or a flood that arrives in small pieces is left to
// the ticks between its big reads.
TEST(PortPump, AFloodWrittenInSmallPiecesKeepsThePortWatched)
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

} // namespace
