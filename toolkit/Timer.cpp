#include "toolkit/Timer.h"

std::shared_ptr<Timer> Timer::timerWithTimeInterval(double seconds, Callback callback, bool repeats)
{
    return std::shared_ptr<Timer>(new Timer(seconds, std::move(callback), repeats));
}

Timer::Timer(double seconds, Callback callback, bool repeats)
    : interval_(seconds > 0 ? seconds : 0), callback_(std::move(callback)), repeats_(repeats)
{
}

void Timer::invalidate()
{
    valid_ = false;
}

void Timer::fire()
{
    if (!valid_)
        return;
    // The callback may drop the last owner of this timer; stay alive until it returns.
    const std::shared_ptr<Timer> self = shared_from_this();
    if (!repeats_)
        valid_ = false;
    if (callback_)
        callback_(*this);
}
