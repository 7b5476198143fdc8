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
    return fireWatches(0);
}

std::size_t RunLoop::fireWatches(int timeoutMs)
{
    const std::vector<std::shared_ptr<ReadWatch>> watches = live(watches_);
    std::vector<pollfd> entries;
    entries.reserve(watches.size());
    for (const std::shared_ptr<ReadWatch>& watch : watches)
        entries.push_back(pollfd{watch->descriptor(), static_cast<short>(watch->forWriting() ? POLLOUT : POLLIN), 0});
    if (::poll(entries.data(), entries.size(), timeoutMs) <= 0)
        return 0;
    std::size_t fired = 0;
    for (std::size_t i = 0; i < watches.size(); ++i) {
        // An earlier callback may have ended this watch, and closed its descriptor.
        if (entries[i].revents != 0 && watches[i]->isValid()) {
            watches[i]->fire();
            ++fired;
        }
    }
    return fired;
}

void RunLoop::runUntil(std::chrono::steady_clock::time_point deadline)
{
    using Clock = std::chrono::steady_clock;
    for (Clock::time_point now = Clock::now(); now < deadline; now = Clock::now()) {
        Clock::time_point next = deadline;
        const std::vector<std::shared_ptr<Timer>> timers = live(timers_);
        for (const std::shared_ptr<Timer>& timer : timers) {
            const auto interval = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(timer->timeInterval()));
            const auto [entry, added] = due_.try_emplace(timer.get(), now + interval);
            next = std::min(next, entry->second);
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(std::max(next - now, Clock::duration::zero()));
        fireWatches(static_cast<int>(wait.count()));
        now = Clock::now();
        for (const std::shared_ptr<Timer>& timer : timers) {
            const auto entry = due_.find(timer.get());
            if (!timer->isValid() || entry == due_.end() || entry->second > now)
                continue;
            entry->second = now + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(timer->timeInterval()));
            timer->fire();
        }
        // Forget the timers that ended, so a new one at the same address starts afresh.
        std::erase_if(due_, [&](const auto& entry) {
            return std::none_of(timers.begin(), timers.end(),
                                [&](const auto& timer) { return timer.get() == entry.first && timer->isValid(); });
        });
    }
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
