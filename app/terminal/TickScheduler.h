// When a window's document ticks: every 0.1 s while something goes on, and not at all once a
// second has passed with nothing to do; then the port's own watch and the user's actions wake
// it. The document reports what each tick found; the controls wake it before every action,
// and news from its device (data, a close, a failure) wakes it too.
#pragma once

#include <functional>
#include <memory>

class Timer;

class TickScheduler {
public:
    static constexpr double interval = 0.1;
    // After this many ticks in a row with nothing to do the scheduler stops ticking.
    static constexpr int idleTicksBeforeSleep = 10;

    // Starts ticking at once; tick is called on every tick until stop().
    explicit TickScheduler(std::function<void()> tick);
    TickScheduler(const TickScheduler&) = delete;
    TickScheduler& operator=(const TickScheduler&) = delete;
    ~TickScheduler();

    bool isTicking() const { return static_cast<bool>(timer_); }
    bool isAsleep() const { return !timer_ && !stopped_; }

    // The tick had something to do (new data to show, output to send): keep ticking.
    void busy() { idleTicks_ = 0; }
    // The tick had nothing to do; enough of these in a row and the ticks stop.
    void idle();
    // Ticks again if asleep.
    void wake();
    // For good: no tick after this.
    void stop();

private:
    void start();

    std::function<void()> tick_;
    std::shared_ptr<Timer> timer_;
    bool stopped_ = false;
    int idleTicks_ = 0;
};
