// A clock that stands still until the test advances it: installed as the process's clock
// while it lives, starting at a fixed wall time so stamps in expectations are stable.
#pragma once

#include "toolkit/Clock.h"

#include <chrono>

class ManualClock {
public:
    // 2026-01-02 03:04:05.000 UTC; the steady clock starts from its epoch plus an hour.
    ManualClock()
        : now_{std::chrono::steady_clock::time_point(std::chrono::hours(1)),
               std::chrono::system_clock::time_point(std::chrono::seconds(1767323045))},
          previous_(Clock::setSource([this] { return now_; }))
    {
    }
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;
    ~ManualClock() { Clock::setSource(std::move(previous_)); }

    Moment now() const { return now_; }
    template <typename Rep, typename Period>
    void advance(std::chrono::duration<Rep, Period> by)
    {
        now_ = now_ + by;
    }

private:
    Moment now_;
    Clock::Source previous_;
};
