// When a window's document ticks: every 0.1 s while something may happen, and not at all
// while its port has been idle for a second; then it waits on the port instead, and data,
// a hang-up or a close tick it again. The document reports what each tick found; any
// action of the user wakes it, so no action has to remember to.
#pragma once

#include <functional>
#include <memory>

class Device;
class Timer;

class TickScheduler {
public:
    static constexpr double interval = 0.1;
    // After this many ticks in a row without data or output the scheduler sleeps.
    static constexpr int idleTicksBeforeSleep = 10;

    // Starts ticking at once; tick is called on every tick until stop().
    explicit TickScheduler(std::function<void()> tick);
    TickScheduler(const TickScheduler&) = delete;
    TickScheduler& operator=(const TickScheduler&) = delete;
    ~TickScheduler();

    bool isTicking() const { return static_cast<bool>(timer_); }
    bool isAsleep() const { return asleep_; }

    // The tick read data or had output to send: keep ticking.
    void busy() { idleTicks_ = 0; }
    // The tick found nothing to do on device's port; enough of these in a row and the
    // scheduler stops ticking and waits on that port.
    void idle(Device& device);
    // Ticks again if asleep: the user acted, or the port has news.
    void wake();
    // For good: no tick after this, asleep or not.
    void stop();

private:
    void start();
    void stopWaiting();

    std::function<void()> tick_;
    std::shared_ptr<Timer> timer_;
    bool asleep_ = false;
    bool stopped_ = false;
    int idleTicks_ = 0;
    Device* waitingOn_ = nullptr; // the record whose port wakes us while asleep
};
