#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Every test uses the process-wide loop, as the documents do; each leaves no timer behind.
RunLoop& loop()
{
    return RunLoop::currentRunLoop();
}

TEST(TimerTest, OnlyLiveValidTimersFireAndAOneShotFiresOnce)
{
    int ticks = 0;
    auto kept = Timer::timerWithTimeInterval(0.1, [&](Timer&) { ++ticks; }, true);
    auto dropped = Timer::timerWithTimeInterval(0.1, [&](Timer&) { ticks += 100; }, true);
    auto once = Timer::timerWithTimeInterval(0, [&](Timer&) { ticks += 10; }, false);
    for (const auto& timer : {kept, dropped, kept, once})
        loop().addTimer(timer);

    dropped.reset();
    EXPECT_EQ(loop().fireTimers(), 2u);
    EXPECT_EQ(loop().fireTimers(), 1u);
    once->fire();
    EXPECT_EQ(ticks, 12);
    EXPECT_FALSE(once->isValid());

    kept->invalidate();
    kept->fire();
    EXPECT_EQ(loop().fireTimers(), 0u);
    EXPECT_EQ(ticks, 12);
    EXPECT_EQ(loop().timerCount(), 0u);
}

TEST(TimerTest, CallbackMayDestroyItsOwnTimer)
{
    // A window closing from inside its own tick drops the timer while it is firing.
    struct Owner {
        std::shared_ptr<Timer> timer;
        int ticks = 0;
    };
    auto owner = std::make_unique<Owner>();
    owner->timer = Timer::timerWithTimeInterval(0.1, [&owner](Timer&) { ++owner->ticks; owner.reset(); }, true);
    loop().addTimer(owner->timer);

    EXPECT_EQ(loop().fireTimers(), 1u);
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(loop().fireTimers(), 0u);
}

TEST(TimerTest, SchedulerGetsEveryLiveTimerOnce)
{
    auto early = Timer::timerWithTimeInterval(0.1, nullptr, true);
    auto stale = Timer::timerWithTimeInterval(0.1, nullptr, true);
    loop().addTimer(early);
    loop().addTimer(stale);
    stale->invalidate();

    std::vector<Timer*> scheduled;
    loop().setScheduler([&](const std::shared_ptr<Timer>& timer) { scheduled.push_back(timer.get()); });
    auto late = Timer::timerWithTimeInterval(0.5, nullptr, false);
    loop().addTimer(late);
    loop().addTimer(late);
    EXPECT_EQ(scheduled, (std::vector<Timer*>{early.get(), late.get()}));

    loop().setScheduler(nullptr);
    auto unscheduled = Timer::timerWithTimeInterval(0.1, nullptr, true);
    loop().addTimer(unscheduled);
    EXPECT_EQ(scheduled.size(), 2u);

    for (auto* timer : {&early, &late, &unscheduled})
        (*timer)->invalidate();
}

} // namespace
