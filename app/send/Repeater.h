// Sends the same message every N milliseconds (N at least `shortest`) until stopped, counting
// the sends. Unpaced, the port sends it from a thread of its own when it can, so the window
// wakes only to show the count; otherwise, or paced, each send goes through the window's pacer
// on a timer. Either way a tick that finds the last send still on its way sends nothing, so a
// slow port is never flooded, and the port going away stops it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class OutputPacer;
class OutputSink;
class PortRepeat;
class Timer;

class Repeater {
public:
    static constexpr std::chrono::milliseconds shortest{10};
    // How often the window looks at a repeat the port runs: its count, its bytes, its end.
    static constexpr std::chrono::milliseconds looked{250};

    // The pacer must hand its bytes to sink.
    Repeater(OutputPacer& pacer, OutputSink& sink);
    Repeater(const Repeater&) = delete;
    Repeater& operator=(const Repeater&) = delete;
    ~Repeater();

    // Sends message now and then every interval (raised to `shortest`); the count starts
    // again. "" once running, or the status line of why it did not start.
    std::string start(std::string message, std::chrono::milliseconds interval);
    void stop();
    bool isRunning() const;
    // The pacing changed: a running repeat goes on from now the way that fits, its count kept.
    void pacingChanged();
    // Sends handed over since start().
    std::uint64_t count() const { return count_; }
    // Ticks that sent nothing because the last send had not gone out yet.
    std::uint64_t skipped() const { return skipped_; }
    std::chrono::milliseconds interval() const { return interval_; }

    // Hears the count after each send, or as the window learns it when the port sends.
    void setOnSent(std::function<void(std::uint64_t)> handler) { onSent_ = std::move(handler); }
    // Hears the status line when the port went away and repeating stopped.
    void setOnStopped(std::function<void(const std::string&)> handler) { onStopped_ = std::move(handler); }

private:
    // Starts the port's repeat when that fits, else the timer; the count goes on from count_.
    void run();
    void tick();
    void look();
    void endPortRepeat();
    void portWentAway();

    OutputPacer& pacer_;
    OutputSink& sink_;
    std::string message_;
    std::chrono::milliseconds interval_{0};
    std::uint64_t count_ = 0;
    std::uint64_t skipped_ = 0;
    std::shared_ptr<Timer> timer_;
    bool paced_ = false; // as the pacing was when it began
    // The port's repeat, what it had done when last looked at, and the count before it began.
    std::shared_ptr<PortRepeat> onPort_;
    std::uint64_t portBytes_ = 0;
    std::uint64_t before_ = 0;
    std::uint64_t skippedBefore_ = 0;
    std::function<void(std::uint64_t)> onSent_;
    std::function<void(const std::string&)> onStopped_;
};
