// A port's repeat: a thread of its own sleeps until each tick, counted from the start so the
// sends never drift, and takes its turn at the port's output. A tick the thread wakes too late
// for is not made up. It ends at a failed write, or at stop(), which waits for the thread;
// from then on neither the descriptor nor the output is touched.
#pragma once

#include "devices/PortRepeat.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class PortOutput;

class RepeatWriter final : public PortRepeat {
public:
    // fd and output must stay until stop(); the interval is at least a millisecond.
    RepeatWriter(int fd, PortOutput& output, std::string message, std::chrono::nanoseconds interval);
    ~RepeatWriter() override;

    Progress progress() const override;
    void stop() override;

private:
    void run();
    // False once a write failed.
    bool tick();

    const int fd_;
    PortOutput& output_;
    const std::string message_;
    const std::chrono::nanoseconds interval_;
    std::atomic<std::uint64_t> sent_ = 0;
    std::atomic<std::uint64_t> skipped_ = 0;
    std::atomic<std::uint64_t> bytes_ = 0;
    std::atomic<int> error_ = 0;
    std::atomic<bool> ended_ = false;
    std::mutex stopLock_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    std::thread thread_; // last: it starts once everything it uses is there
};
