#include "app/TickScheduler.h"

#include "devices/Device.h"
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

void TickScheduler::idle(Device& device)
{
    if (++idleTicks_ < idleTicksBeforeSleep || !timer_)
        return;
    asleep_ = true;
    idleTicks_ = 0;
    timer_->invalidate();
    timer_.reset();
    waitingOn_ = &device;
    device.addWaker(this, [this] {
        waitingOn_ = nullptr; // a waker is called once, and forgotten by the port
        wake();
    });
}

void TickScheduler::wake()
{
    if (!asleep_ || stopped_)
        return;
    stopWaiting();
    asleep_ = false;
    idleTicks_ = 0;
    start();
}

void TickScheduler::stop()
{
    stopped_ = true;
    stopWaiting();
    if (timer_) {
        timer_->invalidate();
        timer_.reset();
    }
}

void TickScheduler::stopWaiting()
{
    // While our waker is registered the record is alive: closing its port, which destroying
    // or rescanning it away does, calls the waker and so clears waitingOn_ first.
    if (Device* device = std::exchange(waitingOn_, nullptr))
        device->removeWaker(this);
}
