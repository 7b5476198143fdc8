#include "app/terminal/TickScheduler.h"

#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <utility>

TickScheduler::TickScheduler(std::function<void()> tick)
    : tick_(std::move(tick))
{
    start();
}

TickScheduler::~TickScheduler()
{
    stop();
}

void TickScheduler::start()
{
    // The timer calls back into its owner; it dies with this scheduler, so no tick outlives it.
    timer_ = Timer::timerWithTimeInterval(interval, [this](Timer&) { tick_(); }, true);
    if (timer_)
        RunLoop::currentRunLoop().addTimer(timer_);
}

void TickScheduler::idle()
{
    if (++idleTicks_ < idleTicksBeforeSleep || !timer_)
        return;
    idleTicks_ = 0;
    timer_->invalidate();
    timer_.reset();
}

void TickScheduler::wake()
{
    if (timer_ || stopped_)
        return;
    idleTicks_ = 0;
    start();
}

void TickScheduler::stop()
{
    stopped_ = true;
    if (timer_) {
        timer_->invalidate();
        timer_.reset();
    }
}
