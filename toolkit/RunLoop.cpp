#include "toolkit/RunLoop.h"

#include <algorithm>
#include <poll.h>

RunLoop& RunLoop::currentRunLoop()
{
    // The one main loop of the process, as every document's timer expects.
    static RunLoop loop;
    return loop;
}

template <typename T>
std::vector<std::shared_ptr<T>> RunLoop::live(std::vector<std::weak_ptr<T>>& entries)
{
    std::erase_if(entries, [](const std::weak_ptr<T>& weak) {
        const std::shared_ptr<T> entry = weak.lock();
        return !entry || !entry->isValid();
    });
    std::vector<std::shared_ptr<T>> result;
    result.reserve(entries.size());
    for (const std::weak_ptr<T>& weak : entries) {
        if (std::shared_ptr<T> entry = weak.lock())
            result.push_back(std::move(entry));
    }
    return result;
}

template <typename T, typename Schedule>
void RunLoop::add(std::vector<std::weak_ptr<T>>& entries, const std::shared_ptr<T>& entry, const Schedule& schedule)
{
    if (!entry || !entry->isValid())
        return;
    const std::vector<std::shared_ptr<T>> current = live(entries);
    if (std::find(current.begin(), current.end(), entry) != current.end())
        return;
    entries.push_back(entry);
    if (schedule)
        schedule(entry);
}

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer)
{
    add(timers_, timer, scheduler_);
}

void RunLoop::addWatch(const std::shared_ptr<ReadWatch>& watch)
{
    add(watches_, watch, watchScheduler_);
}

std::size_t RunLoop::fireTimers()
{
    // Timers added by a callback wait for the next round.
    std::size_t fired = 0;
    for (const std::shared_ptr<Timer>& timer : live(timers_)) {
        if (timer->isValid()) {
            timer->fire();
            ++fired;
        }
    }
    return fired;
}

std::size_t RunLoop::timerCount()
{
    return live(timers_).size();
}

std::size_t RunLoop::fireReadyWatches()
{
    std::size_t fired = 0;
    for (const std::shared_ptr<ReadWatch>& watch : live(watches_)) {
        if (!watch->isValid())
            continue;
        pollfd entry{watch->descriptor(), POLLIN, 0};
        if (::poll(&entry, 1, 0) == 1 && entry.revents != 0) {
            watch->fire();
            ++fired;
        }
    }
    return fired;
}

void RunLoop::setScheduler(Scheduler scheduler)
{
    scheduler_ = std::move(scheduler);
    if (!scheduler_)
        return;
    for (const std::shared_ptr<Timer>& timer : live(timers_))
        scheduler_(timer);
}

void RunLoop::setWatchScheduler(WatchScheduler scheduler)
{
    watchScheduler_ = std::move(scheduler);
    if (!watchScheduler_)
        return;
    for (const std::shared_ptr<ReadWatch>& watch : live(watches_))
        watchScheduler_(watch);
}
