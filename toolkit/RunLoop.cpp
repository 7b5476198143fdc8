#include "toolkit/RunLoop.h"

#include <algorithm>

RunLoop& RunLoop::currentRunLoop()
{
    // The one main loop of the process, as every document's timer expects.
    static RunLoop loop;
    return loop;
}

std::vector<std::shared_ptr<Timer>> RunLoop::liveTimers()
{
    std::erase_if(timers_, [](const std::weak_ptr<Timer>& weak) {
        const std::shared_ptr<Timer> timer = weak.lock();
        return !timer || !timer->isValid();
    });
    std::vector<std::shared_ptr<Timer>> live;
    live.reserve(timers_.size());
    for (const std::weak_ptr<Timer>& weak : timers_) {
        if (std::shared_ptr<Timer> timer = weak.lock())
            live.push_back(std::move(timer));
    }
    return live;
}

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer)
{
    if (!timer || !timer->isValid())
        return;
    const std::vector<std::shared_ptr<Timer>> live = liveTimers();
    if (std::find(live.begin(), live.end(), timer) != live.end())
        return;
    timers_.push_back(timer);
    if (scheduler_)
        scheduler_(timer);
}

std::size_t RunLoop::fireTimers()
{
    // Timers added by a callback wait for the next round.
    std::size_t fired = 0;
    for (const std::shared_ptr<Timer>& timer : liveTimers()) {
        if (timer->isValid()) {
            timer->fire();
            ++fired;
        }
    }
    return fired;
}

std::size_t RunLoop::timerCount()
{
    return liveTimers().size();
}

void RunLoop::setScheduler(Scheduler scheduler)
{
    scheduler_ = std::move(scheduler);
    if (!scheduler_)
        return;
    for (const std::shared_ptr<Timer>& timer : liveTimers())
        scheduler_(timer);
}
