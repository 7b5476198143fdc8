// Notes the interval of every timer added to the run loop while it lives, so a test reads a
// pace (retries, a break's length) without waiting it out; RunLoop::fireTimers() then fires
// the timers at once. Nothing else may install a run loop scheduler meanwhile.
#pragma once

#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <memory>
#include <vector>

class TimerLog {
public:
    TimerLog()
    {
        RunLoop::currentRunLoop().setScheduler(
            [this](const std::shared_ptr<Timer>& timer) { intervals.push_back(timer->timeInterval()); });
        intervals.clear(); // the timers already running are not the test's
    }
    TimerLog(const TimerLog&) = delete;
    TimerLog& operator=(const TimerLog&) = delete;
    ~TimerLog() { RunLoop::currentRunLoop().setScheduler({}); }

    std::vector<double> intervals;
};
