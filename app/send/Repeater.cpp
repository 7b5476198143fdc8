#include "app/send/Repeater.h"

#include "app/send/OutputPacer.h"
#include "app/send/OutputSink.h"
#include "devices/PortRepeat.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <algorithm>
#include <utility>

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
    run();
    return {};
}

void Repeater::run()
{
    // Paced bytes go one piece at a time through the pacer; a repeat on the port's thread
    // would slip its messages between them.
    paced_ = pacer_.pacing().isPaced();
    if (!paced_ && pacer_.waiting() == 0)
        onPort_ = sink_.repeat(message_, interval_);
    const bool mine = !onPort_;
    if (onPort_) {
        portBytes_ = 0;
        before_ = count_;
        skippedBefore_ = skipped_;
    }
    // The timer holds only `this`: it is ended in stop(), before the repeater goes. Looking
    // at a slow repeat more often than it sends keeps its count and its end timely.
    const std::chrono::milliseconds every = mine ? interval_ : looked;
    timer_ = Timer::timerWithTimeInterval(std::chrono::duration<double>(every).count(), [this, mine](Timer&) {
        if (mine)
            tick();
        else
            look();
    }, true);
    RunLoop::currentRunLoop().addTimer(timer_);
    if (mine)
        tick();
}

void Repeater::stop()
{
    if (timer_)
        timer_->invalidate();
    timer_.reset();
    endPortRepeat();
}

bool Repeater::isRunning() const
{
    return timer_ && timer_->isValid();
}

void Repeater::pacingChanged()
{
    if (!isRunning())
        return;
    if (pacer_.pacing().isPaced() == paced_)
        return;
    timer_->invalidate();
    endPortRepeat();
    run();
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
    portWentAway();
}

void Repeater::look()
{
    const PortRepeat::Progress progress = onPort_->progress();
    sink_.repeated(progress.bytes - std::exchange(portBytes_, progress.bytes));
    const std::uint64_t count = before_ + progress.sent;
    skipped_ = skippedBefore_ + progress.skipped;
    if (progress.error != 0 || !sink_.isOpen()) {
        count_ = count;
        return portWentAway();
    }
    // Its port closed under it and another is open now (a new rate reopens the port): it
    // goes on there, as a repeat on the window's timer would.
    if (progress.ended) {
        timer_->invalidate();
        endPortRepeat();
        return run();
    }
    if (count != count_) {
        count_ = count;
        if (onSent_)
            onSent_(count_);
    }
}

void Repeater::endPortRepeat()
{
    const std::shared_ptr<PortRepeat> ending = std::move(onPort_);
    if (!ending)
        return;
    ending->stop();
    const PortRepeat::Progress last = ending->progress();
    count_ = before_ + last.sent;
    skipped_ = skippedBefore_ + last.skipped;
    sink_.repeated(last.bytes - portBytes_);
}

void Repeater::portWentAway()
{
    stop();
    if (onStopped_)
        onStopped_("Repeating stopped after " + std::to_string(count_) + " sends: the port went away.");
}
