#include "app/connection/PortPump.h"

#include "devices/Device.h"
#include "tests/support/FakePort.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

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

} // namespace
