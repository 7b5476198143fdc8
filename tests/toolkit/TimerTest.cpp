#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <gtest/gtest.h>


namespace {

// Every test uses the process-wide loop, as the documents do; each leaves no timer behind.
RunLoop& loop() { return RunLoop::currentRunLoop(); }

TEST(TimerTest, OnlyLiveValidTimersFireAOneShotOnceAndACallbackMayDropItsOwnTimer)
{
    int ticks = 0;
    auto kept = Timer::timerWithTimeInterval(0.1, [&](Timer&) { ++ticks; }, true);
    auto dropped = Timer::timerWithTimeInterval(0.1, [&](Timer&) { ticks += 100; }, true);
    auto once = Timer::timerWithTimeInterval(0, [&](Timer&) { ticks += 10; }, false);
    // A window closing from inside its own tick drops the timer while it is firing.
    std::shared_ptr<Timer> closing = Timer::timerWithTimeInterval(0.1, [&](Timer&) { closing.reset(); }, true);
    for (const auto& timer : {kept, dropped, kept, once, closing})
        loop().addTimer(timer);

    dropped.reset();
    EXPECT_EQ(loop().fireTimers(), 3u);
    EXPECT_EQ(closing, nullptr);
    EXPECT_EQ(loop().fireTimers(), 1u);
    once->fire();
    EXPECT_EQ(ticks, 12);

    kept->invalidate();
    kept->fire();
    EXPECT_EQ(loop().fireTimers(), 0u);
    EXPECT_EQ(ticks, 12);
    EXPECT_EQ(loop().timerCount(), 0u);
}

} // namespace
