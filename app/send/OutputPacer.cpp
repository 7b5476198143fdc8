#include "app/send/OutputPacer.h"

#include "toolkit/Clock.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <algorithm>

OutputPacer::OutputPacer(OutputSink& sink, Pacing pacing)
    : sink_(sink), pacing_(pacing), self_(std::make_shared<OutputPacer*>(this))
{
}

OutputPacer::~OutputPacer()
{
    stop();
}

bool OutputPacer::send(std::string_view bytes)
{
    if (!sink_.isOpen())
        return false;
    // Handed bytes are dropped from the front only now and then, so a long send costs no copying per piece.
    if (head_ > 0 && head_ >= buffer_.size() / 2) {
        buffer_.erase(0, head_);
        head_ = 0;
    }
    buffer_.append(bytes);
    if (!waitingForSink_ && !(timer_ && timer_->isValid()))
        pump(true);
    return true;
}

std::size_t OutputPacer::stop()
{
    const std::size_t dropped = waiting();
    buffer_.clear();
    head_ = 0;
    delayAfterDrain_ = {};
    if (timer_)
        timer_->invalidate();
    if (waitingForSink_)
        sink_.whenBelow(0, nullptr);
    waitingForSink_ = false;
    return dropped;
}

void OutputPacer::pump(bool knownOpen)
{
    waitingForSink_ = false;
    if (!knownOpen && !sink_.isOpen())
        return tell();
    const auto later = [this](std::size_t below) {
        waitingForSink_ = true;
        sink_.whenBelow(below, [weak = std::weak_ptr<OutputPacer*>(self_)] {
            if (const auto self = weak.lock())
                (*self)->pump();
        });
    };
    if (!pacing_.isPaced() && delayAfterDrain_.count() == 0) {
        while (waiting() > 0 && sink_.pending() < block)
            hand(std::min(waiting(), block));
        // Once all is handed, the listener still hears when it has left the queue.
        if (waiting() > 0)
            later(block);
        else if (sink_.pending() > 0)
            later(1);
        return tell();
    }
    // Paced: a piece's delay runs from when it has left the queue, so the gap on the wire is
    // at least the delay whatever the port's speed.
    if (sink_.pending() > 0)
        return later(1);
    const auto now = Clock::now().steady;
    if (delayAfterDrain_.count() > 0) {
        notBefore_ = now + delayAfterDrain_;
        delayAfterDrain_ = {};
    }
    if (waiting() == 0)
        return tell();
    if (now < notBefore_)
        return wakeAt(notBefore_);
    std::chrono::milliseconds delay{0};
    const std::size_t count = nextPiece(delay);
    hand(count);
    delayAfterDrain_ = delay;
    later(1);
    tell();
}

std::size_t OutputPacer::nextPiece(std::chrono::milliseconds& delay) const
{
    const std::string_view rest = std::string_view(buffer_).substr(head_);
    // A line ends after an LF, or after a CR that no LF follows.
    const auto endsLine = [&](std::size_t i) {
        return rest[i] == '\n' || (rest[i] == '\r' && (i + 1 >= rest.size() || rest[i + 1] != '\n'));
    };
    if (pacing_.afterCharacter.count() > 0) {
        delay = pacing_.afterCharacter + (endsLine(0) ? pacing_.afterLine : std::chrono::milliseconds{0});
        return 1;
    }
    const std::size_t most = std::min(rest.size(), block);
    for (std::size_t i = 0; i < most; ++i) {
        if (endsLine(i)) {
            delay = pacing_.afterLine;
            return i + 1;
        }
    }
    delay = {};
    return most;
}

void OutputPacer::hand(std::size_t count)
{
    sink_.write(std::string_view(buffer_).substr(head_, count));
    head_ += count;
    handed_ += count;
    if (head_ == buffer_.size()) {
        buffer_.clear();
        head_ = 0;
    }
}

void OutputPacer::wakeAt(std::chrono::steady_clock::time_point when)
{
    // The timer only wakes the pacer: it looks at the clock again, so a timer that fires early
    // (coarse timers may) waits the rest.
    const double seconds = std::chrono::duration<double>(when - Clock::now().steady).count();
    timer_ = Timer::timerWithTimeInterval(seconds, [weak = std::weak_ptr<OutputPacer*>(self_)](Timer&) {
        if (const auto self = weak.lock())
            (*self)->pump();
    }, false);
    RunLoop::currentRunLoop().addTimer(timer_);
}

void OutputPacer::tell()
{
    if (listener_)
        listener_();
}
