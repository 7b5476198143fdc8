#include "app/send/Repeater.h"

#include "app/send/OutputPacer.h"
#include "app/send/OutputSink.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <algorithm>

Repeater::Repeater(OutputPacer& pacer, OutputSink& sink)
    : pacer_(pacer), sink_(sink)
{
}

Repeater::~Repeater()
{
    stop();
}

std::string Repeater::start(std::string message, std::chrono::milliseconds interval)
{
    stop();
    if (!sink_.isOpen())
        return "No open port to repeat to. Switch reading on to open it.";
    if (message.empty())
        return "Nothing to repeat: the message is empty.";
    message_ = std::move(message);
    interval_ = std::max(interval, shortest);
    count_ = 0;
    skipped_ = 0;
    // The timer holds only `this`: it is ended in stop(), before the repeater goes.
    timer_ = Timer::timerWithTimeInterval(std::chrono::duration<double>(interval_).count(),
                                          [this](Timer&) { tick(); }, true);
    RunLoop::currentRunLoop().addTimer(timer_);
    tick();
    return {};
}

void Repeater::stop()
{
    if (timer_)
        timer_->invalidate();
    timer_.reset();
}

bool Repeater::isRunning() const
{
    return timer_ && timer_->isValid();
}

void Repeater::tick()
{
    // The send looks whether the port is still there: asking it here as well would cost a
    // system call a tick for nothing.
    if (pacer_.waiting() > 0 || sink_.pending() > 0) {
        if (sink_.isOpen()) {
            ++skipped_;
            return;
        }
    } else if (pacer_.send(message_)) {
        ++count_;
        if (onSent_)
            onSent_(count_);
        return;
    }
    stop();
    if (onStopped_)
        onStopped_("Repeating stopped after " + std::to_string(count_) + " sends: the port went away.");
}
