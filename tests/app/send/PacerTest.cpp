#include "app/send/OutputPacer.h"
#include "app/send/Repeater.h"
#include "tests/app/send/SendFixture.h"
#include "tests/support/ManualClock.h"

#include <gtest/gtest.h>

#include <utility>

using namespace std::chrono_literals;

namespace {

// A repeat the port runs on its own thread, reporting what the test says it did.
struct FakePortRepeat : PortRepeat {
    Progress progress() const override { return done; }
    void stop() override { stopped = true; }

    Progress done;
    bool stopped = false;
};

// A port that takes what it is told to, when the test says, noting when each write came.
struct FakeSink : OutputSink {
    bool write(std::string_view bytes) override
    {
        writes.emplace_back(std::string(bytes), Clock::now().steady);
        queued += bytes.size();
        return open;
    }
    std::size_t pending() const override { return queued; }
    bool isOpen() const override { return open; }
    std::size_t dropped() const override { return 0; }
    void whenBelow(std::size_t, std::function<void()> callback) override { waiter = std::move(callback); }
    // The port takes everything queued, and the one waiting hears of it.
    void drain()
    {
        queued = 0;
        if (waiter)
            std::exchange(waiter, nullptr)();
    }
    std::shared_ptr<PortRepeat> repeat(std::string message, std::chrono::nanoseconds interval) override
    {
        asked.emplace_back(std::move(message), interval);
        return onPort;
    }
    void repeated(std::size_t bytes) override { repeatedBytes += bytes; }
    std::string all() const
    {
        std::string bytes;
        for (const auto& write : writes)
            bytes += write.first;
        return bytes;
    }

    std::vector<std::pair<std::string, std::chrono::steady_clock::time_point>> writes;
    std::size_t queued = 0;
    bool open = true;
    std::function<void()> waiter;
    std::shared_ptr<FakePortRepeat> onPort; // none: the port can't repeat by itself
    std::vector<std::pair<std::string, std::chrono::nanoseconds>> asked;
    std::size_t repeatedBytes = 0;
};

// A pacer and a repeater on a fake port, on a clock that moves only when the test says.
struct Paced : testing::Test {
    ManualClock clock;
    FakeSink sink;
    OutputPacer pacer{sink};
    Repeater repeater{pacer, sink};
};
using OutputPacerTest = Paced;
using RepeaterTest = Paced;

// Lets time pass in steps, draining the sink and firing the timers each step.
void pass(ManualClock& clock, FakeSink& sink, std::chrono::milliseconds total)
{
    for (auto at = 0ms; at < total; at += 1ms) {
        sink.drain();
        clock.advance(1ms);
        RunLoop::currentRunLoop().fireTimers();
    }
}

TEST_F(OutputPacerTest, UnpacedHandsBlocksOnlyAsThePortTakesThem)
{
    const std::string big(5 * OutputPacer::block + 7, 'x');
    pacer.send(big);
    EXPECT_EQ(sink.pending(), OutputPacer::block) << "the port's queue never holds much";
    while (sink.waiter)
        sink.drain();
    EXPECT_EQ(sink.all(), big);
    EXPECT_EQ(pacer.waiting(), 0u);
}

TEST_F(OutputPacerTest, EachCharacterWaitsForTheOneBeforeToLeaveAndItsDelay)
{
    pacer.setPacing(Pacing{5ms, 20ms});
    pacer.send("ab\r\ncd\re");
    pass(clock, sink, 200ms);
    ASSERT_EQ(sink.all(), "ab\r\ncd\re") << "nothing reordered or lost";
    std::vector<long> gaps;
    for (std::size_t i = 1; i < sink.writes.size(); ++i)
        gaps.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(sink.writes[i].second -
                                                                              sink.writes[i - 1].second).count());
    // A CR LF is one line ending: the line's delay comes after its LF; a CR alone ends one too.
    EXPECT_EQ(gaps, (std::vector<long>{5, 5, 5, 25, 5, 5, 25}));
}

TEST_F(OutputPacerTest, LinePacingSendsWholeLinesApart)
{
    pacer.setPacing(Pacing{0ms, 50ms});
    pacer.send("first\r\nsecond\nthird");
    pass(clock, sink, 30ms);
    ASSERT_EQ(sink.writes.size(), 1u);
    EXPECT_EQ(sink.writes[0].first, "first\r\n");
    pass(clock, sink, 100ms);
    ASSERT_EQ(sink.writes.size(), 3u);
    EXPECT_EQ(sink.writes[2].first, "third");
}

TEST_F(OutputPacerTest, StopDropsOnlyWhatHasNotBeenHandedOver)
{
    pacer.setPacing(Pacing{10ms, 0ms});
    pacer.send("abcdef");
    pass(clock, sink, 25ms);
    EXPECT_EQ(pacer.stop(), 3u);
    pass(clock, sink, 50ms);
    EXPECT_EQ(sink.all(), "abc");
    pacer.send("g");
    EXPECT_EQ(sink.all(), "abcg") << "after a stop the pacer starts afresh";
}

TEST(OutputPacer, PacedGapsHoldOnTheWire)
{
    PtyDevice device;
    OutputPacer pacer(device.sink, Pacing{40ms, 40ms});
    const std::string message = "AT\r\nOK\n";
    device.stampOnAThread(message.size());
    pacer.send(message);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (pacer.waiting() > 0 && std::chrono::steady_clock::now() < deadline)
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 1ms);
    device.stamper.join();
    std::string arrived;
    for (const FarEndByte& stamp : device.stamps)
        arrived.push_back(stamp.byte);
    EXPECT_EQ(arrived, message);
    // No byte may go before the delays owed up to it. The far end may note a byte's arrival
    // late on a shared machine (the pty hands it on, and the thread that waits for it must get
    // a core): a late first byte shortens every span after it by as much, a late byte in the
    // middle only the gap after it. So the spans from the first byte are checked, with room for
    // a late first note, and not each gap: bytes sent together would still be far too early.
    constexpr auto noting = 15ms;
    auto owed = 0ms;
    for (std::size_t i = 1; i < device.stamps.size(); ++i) {
        owed += device.stamps[i - 1].byte == '\n' ? 80ms : 40ms;
        EXPECT_GE(device.stamps[i].at - device.stamps[0].at, owed - noting) << "by byte " << i;
    }
}

TEST_F(RepeaterTest, SendsEveryIntervalCountsAndNeverPilesUp)
{
    EXPECT_EQ(repeater.start("ping", 1ms), "");
    EXPECT_EQ(repeater.interval(), Repeater::shortest);
    EXPECT_EQ(repeater.count(), 1u) << "the first goes at once";
    RunLoop::currentRunLoop().fireTimers();
    EXPECT_EQ(repeater.count(), 1u) << "the last one has not left: a slow port is not flooded";
    EXPECT_EQ(repeater.skipped(), 1u);
    for (int i = 0; i < 5; ++i) {
        sink.drain();
        RunLoop::currentRunLoop().fireTimers();
    }
    EXPECT_EQ(repeater.count(), 6u);
    EXPECT_EQ(sink.all(), "pingpingpingpingpingping");

    std::string stopped;
    repeater.setOnStopped([&](const std::string& status) { stopped = status; });
    sink.open = false;
    RunLoop::currentRunLoop().fireTimers();
    EXPECT_FALSE(repeater.isRunning());
    EXPECT_EQ(stopped, "Repeating stopped after 6 sends: the port went away.");
}

TEST_F(RepeaterTest, UnpacedTheSendsAreThePortsAndTheWindowOnlyLearnsTheCount)
{
    sink.onPort = std::make_shared<FakePortRepeat>();
    std::vector<std::uint64_t> heard;
    repeater.setOnSent([&](std::uint64_t count) { heard.push_back(count); });
    std::string stopped;
    repeater.setOnStopped([&](const std::string& status) { stopped = status; });
    ASSERT_EQ(repeater.start("ping", 10ms), "");
    ASSERT_EQ(sink.asked.size(), 1u);
    EXPECT_EQ(sink.asked[0].first, "ping");
    EXPECT_EQ(sink.asked[0].second, 10ms);

    sink.onPort->done = {7, 2, 28, 0};
    RunLoop::currentRunLoop().fireTimers();
    EXPECT_EQ(repeater.count(), 7u);
    EXPECT_EQ(repeater.skipped(), 2u);
    EXPECT_EQ(heard, std::vector<std::uint64_t>{7});
    EXPECT_EQ(sink.repeatedBytes, 28u) << "the port's bytes count as sent";
    EXPECT_TRUE(sink.writes.empty()) << "nothing went through the window's own timer";

    // A new rate reopens the port: the repeat ended with the old one goes on on the new.
    sink.onPort->done = {8, 2, 32, 0, true};
    auto reopened = std::make_shared<FakePortRepeat>();
    std::swap(sink.onPort, reopened);
    RunLoop::currentRunLoop().fireTimers();
    ASSERT_EQ(sink.asked.size(), 2u);
    EXPECT_TRUE(repeater.isRunning());
    EXPECT_EQ(repeater.count(), 8u);
    EXPECT_EQ(sink.repeatedBytes, 32u);
    EXPECT_EQ(RunLoop::currentRunLoop().timerCount(), 1u) << "one timer looks at the new repeat";

    sink.onPort->done = {1, 0, 4, EIO, true};
    RunLoop::currentRunLoop().fireTimers();
    EXPECT_FALSE(repeater.isRunning());
    EXPECT_TRUE(sink.onPort->stopped);
    EXPECT_EQ(sink.repeatedBytes, 36u);
    EXPECT_EQ(stopped, "Repeating stopped after 9 sends: the port went away.");
}

TEST_F(RepeaterTest, PacedSendsStayOnTheWindowsTimerAndTheCountGoesOnWhenThePacingChanges)
{
    sink.onPort = std::make_shared<FakePortRepeat>();
    pacer.setPacing(Pacing{0ms, 5ms});
    ASSERT_EQ(repeater.start("ping\r", 10ms), "");
    EXPECT_TRUE(sink.asked.empty()) << "the port would slip its messages between paced pieces";
    EXPECT_EQ(repeater.count(), 1u);

    pacer.setPacing({});
    repeater.pacingChanged();
    ASSERT_EQ(sink.asked.size(), 1u);
    sink.onPort->done = {3, 0, 15, 0};
    RunLoop::currentRunLoop().fireTimers();
    EXPECT_EQ(repeater.count(), 4u);

    sink.drain();
    pacer.setPacing(Pacing{0ms, 5ms});
    repeater.pacingChanged();
    EXPECT_TRUE(sink.onPort->stopped);
    EXPECT_TRUE(repeater.isRunning());
    EXPECT_EQ(repeater.count(), 5u) << "it goes on from now on the window's timer";
    repeater.stop();
}

} // namespace
