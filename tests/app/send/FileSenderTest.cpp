#include "app/send/FileSender.h"
#include "app/send/OutputPacer.h"
#include "tests/app/send/SendFixture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <random>

using namespace std::chrono_literals;

namespace {

struct FileSend : testing::Test {
    FileSend()
    {
        sender.setOnFinished([this](const std::string& line) { status = line; });
    }

    std::string file(const std::string& name, const std::string& contents)
    {
        dir.writeFile(name, contents);
        return dir.path() + "/" + name;
    }
    static std::string randomBytes(std::size_t size)
    {
        std::mt19937 random(7);
        std::string bytes(size, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        return bytes;
    }

    TempDir dir;
    PtyDevice device;
    OutputPacer pacer{device.sink};
    FileSender sender{pacer, device.sink};
    std::string status;
};

TEST_F(FileSend, EveryByteValueAndABigFileArriveIdentical)
{
    std::string everyByte;
    for (int round = 0; round < 1000; ++round)
        for (int byte = 0; byte < 256; ++byte)
            everyByte.push_back(static_cast<char>(byte));
    const std::string big = randomBytes(4 << 20);
    for (const std::string* contents : {static_cast<const std::string*>(&everyByte), &big}) {
        device.received.clear();
        EXPECT_EQ(sender.start(file("f.bin", *contents)), "");
        ASSERT_TRUE(device.runUntil([&] { return !sender.isRunning(); }, 60s)) << sender.sent();
        device.runUntil([&] { return device.received.size() >= contents->size(); }, 5s);
        EXPECT_EQ(sender.outcome(), FileSender::Outcome::Sent);
        EXPECT_TRUE(device.received == *contents) << device.received.size() << " of " << contents->size();
        EXPECT_TRUE(status.starts_with("Sent f.bin: ")) << status;
    }
}

TEST_F(FileSend, CancelStopsItAndLeavesThePortToOthers)
{
    const std::string big = randomBytes(4 << 20);
    ASSERT_EQ(sender.start(file("big.bin", big)), "");
    ASSERT_TRUE(device.runUntil([&] { return device.received.size() > 256 * 1024; }));
    sender.cancel();
    EXPECT_EQ(sender.outcome(), FileSender::Outcome::Cancelled);
    EXPECT_TRUE(status.starts_with("Sending big.bin was cancelled after ")) << status;
    device.runUntil([&] { return device.sink.pending() == 0; });
    device.runUntil([] { return false; }, 100ms);
    EXPECT_LT(device.received.size(), big.size());
    EXPECT_TRUE(big.starts_with(device.received)) << "what went out went in order";

    device.received.clear();
    ASSERT_TRUE(pacer.send("after"));
    ASSERT_TRUE(device.runUntil([&] { return device.received == "after"; }));
}

TEST_F(FileSend, ThePortGoingAwayMidFileCountsWhatWasQueued)
{
    const std::string big = randomBytes(4 << 20);
    ASSERT_EQ(sender.start(file("big.bin", big)), "");
    ASSERT_TRUE(device.runUntil([&] { return device.received.size() > 256 * 1024; }));
    // The far end stops reading, then goes: the port's queue fills and is lost.
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (device.sink.pending() == 0 && std::chrono::steady_clock::now() < deadline)
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 1ms);
    device.pty.hangUp();
    ASSERT_TRUE(device.runUntil([&] { return !sender.isRunning(); }));
    EXPECT_EQ(sender.outcome(), FileSender::Outcome::PortGone);
    EXPECT_GT(sender.lost(), 0u);
    EXPECT_NE(status.find("the port went away after"), std::string::npos) << status;
    EXPECT_NE(status.find(describeBytes(sender.lost()) + " queued then were lost."), std::string::npos) << status;
}

TEST_F(FileSend, RefusesWhatItCannotSend)
{
    EXPECT_EQ(sender.start(dir.path() + "/none"), "Cannot send none: No such file or directory.");
    EXPECT_NE(sender.start(dir.path()).find("it is not a plain file"), std::string::npos);
    device.port->close();
    EXPECT_NE(sender.start(file("f", "x")).find("No open port"), std::string::npos);
}

} // namespace
