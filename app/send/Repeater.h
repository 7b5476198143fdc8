// Sends the same message every N milliseconds (N at least `shortest`) until stopped, through
// the window's pacer, counting the sends. A tick that finds the last send still on its way
// sends nothing, so a slow port is never flooded; the port going away stops it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class OutputPacer;
class OutputSink;
class Timer;

class Repeater {
public:
    static constexpr std::chrono::milliseconds shortest{10};

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
    // Sends handed over since start().
    std::uint64_t count() const { return count_; }
    // Ticks that sent nothing because the last send had not gone out yet.
    std::uint64_t skipped() const { return skipped_; }
    std::chrono::milliseconds interval() const { return interval_; }

    // Hears the count after each send.
    void setOnSent(std::function<void(std::uint64_t)> handler) { onSent_ = std::move(handler); }
    // Hears the status line when the port went away and repeating stopped.
    void setOnStopped(std::function<void(const std::string&)> handler) { onStopped_ = std::move(handler); }

private:
    void tick();

    OutputPacer& pacer_;
    OutputSink& sink_;
    std::string message_;
    std::chrono::milliseconds interval_{0};
    std::uint64_t count_ = 0;
    std::uint64_t skipped_ = 0;
    std::shared_ptr<Timer> timer_;
    std::function<void(std::uint64_t)> onSent_;
    std::function<void(const std::string&)> onStopped_;
};
