// A timer that calls back at an interval once it is added to the run loop.
// The owner keeps the timer alive through its shared_ptr; the run loop only refers to it,
// so dropping the timer (or the object that holds it) ends its callbacks for good.
#pragma once

#include <functional>
#include <memory>

class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Callback = std::function<void(Timer& timer)>;

    static std::shared_ptr<Timer> timerWithTimeInterval(double seconds, Callback callback, bool repeats);

    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    double timeInterval() const { return interval_; }
    bool repeats() const { return repeats_; }
    bool isValid() const { return valid_; }

    // Stops the timer for good: it never calls back again.
    void invalidate();
    // Calls back now if the timer is valid; a timer that does not repeat is then invalidated.
    void fire();

private:
    Timer(double seconds, Callback callback, bool repeats);

    double interval_;
    Callback callback_;
    bool repeats_;
    bool valid_ = true;
};
