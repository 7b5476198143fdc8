// The process-wide main loop's timers and descriptor watches, and the hooks a real event
// loop drives them by. Without a scheduler nothing fires by itself: fireTimers() and
// fireReadyWatches() are how tests tick, and runUntil() is a plain event loop for programs
// without a GUI. A GUI installs schedulers that really wait.
#pragma once

#include "toolkit/ReadWatch.h"
#include "toolkit/Timer.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class RunLoop {
public:
    using Scheduler = std::function<void(const std::shared_ptr<Timer>& timer)>;
    using WatchScheduler = std::function<void(const std::shared_ptr<ReadWatch>& watch)>;

    static RunLoop& currentRunLoop();

    RunLoop() = default;
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // Adding an invalid timer or watch, or one already added, does nothing.
    void addTimer(const std::shared_ptr<Timer>& timer);
    void addWatch(const std::shared_ptr<ReadWatch>& watch);

    // Fires each valid timer once, in the order they were added; answers how many fired.
    std::size_t fireTimers();
    // Timers still alive and valid.
    std::size_t timerCount();
    // Fires each valid watch whose descriptor is ready now; answers how many fired.
    std::size_t fireReadyWatches();
    // Waits for watches and fires them, and fires each timer when its interval has passed
    // since it was added or last fired, until the deadline.
    void runUntil(std::chrono::steady_clock::time_point deadline);

    // A scheduler is handed every live timer (watch) now and each one added later; an empty
    // scheduler removes it. Whoever installs one must remove it before it goes away.
    void setScheduler(Scheduler scheduler);
    void setWatchScheduler(WatchScheduler scheduler);

private:
    template <typename T>
    static std::vector<std::shared_ptr<T>> live(std::vector<std::weak_ptr<T>>& entries);
    template <typename T, typename Schedule>
    static void add(std::vector<std::weak_ptr<T>>& entries, const std::shared_ptr<T>& entry, const Schedule& schedule);

    std::size_t fireWatches(int timeoutMs);

    std::vector<std::weak_ptr<Timer>> timers_;
    std::map<const Timer*, std::chrono::steady_clock::time_point> due_; // for runUntil()
    std::vector<std::weak_ptr<ReadWatch>> watches_;
    Scheduler scheduler_;
    WatchScheduler watchScheduler_;
};
