// Hands bytes to a sink as its pacing allows, on run-loop timers and never blocking: unpaced,
// a block at a time as the port takes them; paced, each piece waits until the one before has
// left the queue and its delay has passed. Bytes go in order; stop() drops what still waits.
#pragma once

#include "app/send/OutputSink.h"
#include "app/send/Pacing.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class Timer;

class OutputPacer {
public:
    // What it hands the sink at once, unpaced, and keeps the sink's queue below.
    static constexpr std::size_t block = 64 * 1024;

    explicit OutputPacer(OutputSink& sink, Pacing pacing = {});
    OutputPacer(const OutputPacer&) = delete;
    OutputPacer& operator=(const OutputPacer&) = delete;
    ~OutputPacer();

    // Takes effect from the next piece.
    void setPacing(Pacing pacing) { pacing_ = pacing; }
    const Pacing& pacing() const { return pacing_; }

    // Queues bytes behind whatever still waits, and starts handing them over. False, taking
    // nothing, when the sink has no port.
    bool send(std::string_view bytes);
    // Drops what has not been handed to the sink; answers how many bytes that was.
    std::size_t stop();
    // Bytes taken by send() and not yet handed to the sink.
    std::size_t waiting() const { return buffer_.size() - head_; }
    // Bytes handed to the sink since the pacer was made.
    std::uint64_t handed() const { return handed_; }
    // Hears after each piece handed over (also from within send()), once all that was handed
    // has left the sink's queue, and when the sink is found without its port (the bytes
    // waiting are then kept until stop()). Everything is out when waiting() and the sink's
    // pending() are both 0.
    void setListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    // knownOpen: the caller has just seen the sink open, so it is not asked again.
    void pump(bool knownOpen = false);
    // How many waiting bytes go as the next paced piece, and the delay after it.
    std::size_t nextPiece(std::chrono::milliseconds& delay) const;
    void hand(std::size_t count);
    void wakeAt(std::chrono::steady_clock::time_point when);
    void tell();

    OutputSink& sink_;
    Pacing pacing_;
    std::string buffer_;
    std::size_t head_ = 0;
    std::uint64_t handed_ = 0;
    // Paced: the delay to start once the last piece has left the queue, and the earliest time
    // the next piece may go.
    std::chrono::milliseconds delayAfterDrain_{0};
    std::chrono::steady_clock::time_point notBefore_{};
    bool waitingForSink_ = false;
    std::shared_ptr<Timer> timer_;
    std::function<void()> listener_;
    // Callbacks the sink holds reach the pacer only while it lives.
    std::shared_ptr<OutputPacer*> self_;
};
