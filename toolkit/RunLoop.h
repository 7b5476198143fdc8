// The process-wide main loop's list of timers, and the hook a real event loop drives it by.
// Without a scheduler nothing fires by itself: fireTimers() fires every live timer once,
// which is how tests tick. A GUI installs a scheduler that gives each timer a real clock.
#pragma once

#include "toolkit/Timer.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class RunLoop {
public:
    using Scheduler = std::function<void(const std::shared_ptr<Timer>& timer)>;

    static RunLoop& currentRunLoop();

    RunLoop() = default;
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // Adding an invalid timer, or one already added, does nothing.
    void addTimer(const std::shared_ptr<Timer>& timer);

    // Fires each valid timer once, in the order they were added; answers how many fired.
    std::size_t fireTimers();
    // Timers still alive and valid.
    std::size_t timerCount();

    // The scheduler is handed every live timer now and each one added later; an empty
    // scheduler removes it. Whoever installs one must remove it before it goes away.
    void setScheduler(Scheduler scheduler);

private:
    std::vector<std::shared_ptr<Timer>> liveTimers();

    std::vector<std::weak_ptr<Timer>> timers_;
    Scheduler scheduler_;
};
