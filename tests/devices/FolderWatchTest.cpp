// A folder watch as the device list uses it: a burst of changes is one call once they settle,
// churn cannot put the call off for long, and a folder that goes and comes back is watched
// again. The event loop is played by hand: the watch fires when inotify has news, the timers
// when the test says, and the clock moves only when the test advances it.
#include "devices/FolderWatch.h"

#include "tests/support/ManualClock.h"
#include "tests/support/TempDir.h"
#include "tests/support/TimerLog.h"
#include "toolkit/RunLoop.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class FolderWatchTest : public testing::Test {
protected:
    // A change in the folder, as the event loop hears of it.
    void change(const std::string& name)
    {
        dir.writeFile(name, "");
        dir.remove(name + "-gone");
        RunLoop::currentRunLoop().fireReadyWatches();
    }
    static void settle() { RunLoop::currentRunLoop().fireTimers(); }

    ManualClock clock;
    TimerLog timers;
    TempDir dir;
    int calls = 0;
    FolderWatch watch{{dir.path()}, [this] { ++calls; }};
};

TEST_F(FolderWatchTest, ABurstOfChangesIsOneCallOnceTheySettle)
{
    // Ten changes close together, as udev makes them for one plug.
    for (int i = 0; i < 10; ++i)
        change("cu.b" + std::to_string(i));
    EXPECT_EQ(calls, 0);
    settle();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(timers.intervals.back(), FolderWatch::settleSeconds);
}

TEST_F(FolderWatchTest, SteadyChurnCannotPutTheCallOffForLong)
{
    for (int i = 0; i < 4; ++i) {
        change("cu.d" + std::to_string(i));
        clock.advance(std::chrono::milliseconds(300));
    }
    change("cu.e");
    ASSERT_EQ(timers.intervals.size(), 5u);
    EXPECT_EQ(timers.intervals[2], FolderWatch::settleSeconds);
    EXPECT_NEAR(timers.intervals[3], 0.1, 1e-9);
    EXPECT_EQ(timers.intervals[4], 0.0) << "due at once, a second after the first change";
}

TEST_F(FolderWatchTest, AFolderThatGoesAndComesBackIsWatchedAgain)
{
    std::filesystem::remove_all(dir.path());
    RunLoop::currentRunLoop().fireReadyWatches();
    settle();
    std::filesystem::create_directory(dir.path());
    settle(); // the look for the lost folder finds it
    settle();
    const int before = calls;
    change("cu.e");
    settle();
    EXPECT_EQ(calls, before + 1);
}

} // namespace
