#include "devices/Device.h"
#include "serial/SerialController.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A device on a pty, opened as the window opens it, so the repeat runs on a real port.
struct RepeatingPort {
    RepeatingPort()
    {
        dev.link("cu.rep", pty.slavePath());
        if (!serial.openPort(&device))
            throw std::runtime_error("the pty did not open");
    }
    Port& port() { return *device.getPort(); }

    const LogCapture quiet;
    Pty pty;
    TempDir dev;
    Device device{"cu.rep", dev.path()};
    SerialController serial;
};

// How long each run of the same byte is, in order: "aabccc" is a2 b1 c3.
std::vector<std::pair<char, std::size_t>> runs(const std::string& bytes)
{
    std::vector<std::pair<char, std::size_t>> found;
    for (const char c : bytes) {
        if (found.empty() || found.back().first != c)
            found.emplace_back(c, 0);
        ++found.back().second;
    }
    return found;
}

TEST(PortRepeat, SendsWholeMessagesAtTheIntervalAndNeverAhead)
{
    RepeatingPort rig;
    const auto started = std::chrono::steady_clock::now();
    const std::shared_ptr<PortRepeat> repeat = rig.port().repeat("AT\r", 10ms);
    ASSERT_TRUE(repeat);
    std::string heard = rig.pty.readMaster(1 << 20, 300ms);
    repeat->stop();
    const auto elapsed = std::chrono::steady_clock::now() - started;
    heard += rig.pty.readMaster(1 << 20, 20ms);

    const PortRepeat::Progress done = repeat->progress();
    EXPECT_EQ(done.error, 0);
    EXPECT_EQ(done.bytes, 3 * done.sent);
    std::string expected;
    for (std::uint64_t i = 0; i < done.sent; ++i)
        expected += "AT\r";
    EXPECT_EQ(heard, expected);
    // The ticks count from the start: never more sends than the time allows, however late
    // the thread woke for some of them. A loaded machine may make it miss a few.
    EXPECT_LE(done.sent, static_cast<std::uint64_t>(elapsed / 10ms) + 1);
    EXPECT_GE(done.sent, 10u);
}

TEST(PortRepeat, NeitherItsMessagesNorOtherOutputAreEverSplitByTheOther)
{
    RepeatingPort rig;
    Port& port = rig.port();
    // Far more than the pty holds, so the queue stays full and the device takes parts.
    const std::string block(200'000, 'x');
    port.queue(block);
    port.writeQueued();
    // Longer than the pty takes at once, so the device takes messages in parts.
    const std::string message(20'000, 'm');
    const std::shared_ptr<PortRepeat> repeat = port.repeat(message, 10ms);
    ASSERT_TRUE(repeat);

    // The far end reads slowly while the window's thread writes its own short messages.
    std::string heard;
    char chunk[2048];
    for (int round = 0; round < 300; ++round) {
        std::this_thread::sleep_for(1ms);
        if (const ssize_t got = ::read(rig.pty.master(), chunk, sizeof chunk); got > 0)
            heard.append(chunk, static_cast<std::size_t>(got));
        if (round % 10 == 0)
            port.queue("YYYYYYY");
        port.writeQueued();
    }
    repeat->stop();
    for (int i = 0; i < 1000 && port.pendingBytes() > 0; ++i) {
        port.writeQueued();
        heard += rig.pty.readMaster(1 << 20, 2ms);
    }
    heard += rig.pty.readMaster(1 << 20, 50ms);

    const PortRepeat::Progress done = repeat->progress();
    ASSERT_GE(done.sent, 2u);
    std::size_t ms = 0;
    std::size_t xs = 0;
    for (const auto& [byte, length] : runs(heard)) {
        if (byte == 'x') {
            EXPECT_EQ(length, block.size()) << "the block went out in one piece";
            ++xs;
        } else if (byte == 'm') {
            EXPECT_EQ(length % message.size(), 0u) << "a message was split";
            ms += length;
        } else {
            EXPECT_EQ(byte, 'Y');
            EXPECT_EQ(length % 7, 0u) << "a message of the window's was split";
        }
    }
    EXPECT_EQ(xs, 1u);
    EXPECT_EQ(ms, done.sent * message.size()) << "every message counted went out whole";
    EXPECT_GT(done.skipped, 0u) << "ticks that found output waiting sent nothing";
}

TEST(PortRepeat, EndsWhenTheFarEndHangsUp)
{
    RepeatingPort rig;
    const std::shared_ptr<PortRepeat> repeat = rig.port().repeat("AT\r", 10ms);
    ASSERT_TRUE(repeat);
    std::this_thread::sleep_for(30ms);
    rig.pty.hangUp();
    for (int i = 0; i < 200 && repeat->progress().error == 0; ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(repeat->progress().error, EIO);
    const std::uint64_t sent = repeat->progress().sent;
    std::this_thread::sleep_for(40ms);
    EXPECT_EQ(repeat->progress().sent, sent);
}

TEST(PortRepeat, ClosingThePortEndsItBeforeTheDescriptorGoes)
{
    RepeatingPort rig;
    const std::shared_ptr<PortRepeat> repeat = rig.port().repeat("AT\r", 10ms);
    ASSERT_TRUE(repeat);
    rig.pty.readMaster(9, 200ms);
    rig.serial.closePort(&rig.device);
    const std::uint64_t sent = repeat->progress().sent;
    rig.pty.readMaster(1 << 20, 20ms);
    EXPECT_EQ(rig.pty.readMaster(1, 60ms), "") << "nothing was written after the close";
    EXPECT_EQ(repeat->progress().sent, sent);
    EXPECT_EQ(repeat->progress().error, 0);
    EXPECT_TRUE(repeat->progress().ended);
}

} // namespace
