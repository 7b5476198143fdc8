#include "serial/RepeatWriter.h"

#include "serial/PortOutput.h"

#include <algorithm>
#include <cerrno>
#include <utility>

RepeatWriter::RepeatWriter(int fd, PortOutput& output, std::string message, std::chrono::nanoseconds interval)
    : fd_(fd), output_(output), message_(std::move(message)),
      interval_(std::max<std::chrono::nanoseconds>(interval, std::chrono::milliseconds(1))),
      thread_([this] { run(); })
{
}

RepeatWriter::~RepeatWriter()
{
    stop();
}

PortRepeat::Progress RepeatWriter::progress() const
{
    // Sends are read before bytes, which a tick adds first: the bytes of every send shown are in.
    Progress progress;
    progress.ended = ended_.load();
    progress.error = error_.load();
    progress.skipped = skipped_.load();
    progress.sent = sent_.load();
    progress.bytes = bytes_.load();
    return progress;
}

void RepeatWriter::stop()
{
    {
        const std::lock_guard held(stopLock_);
        stopping_ = true;
    }
    stopped_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void RepeatWriter::run()
{
    auto next = std::chrono::steady_clock::now();
    std::unique_lock held(stopLock_);
    while (!stopping_ && tick()) {
        next += interval_;
        const auto now = std::chrono::steady_clock::now();
        if (next < now)
            next += (now - next) / interval_ * interval_ + interval_;
        stopped_.wait_until(held, next, [this] { return stopping_; });
    }
    ended_ = true;
}

bool RepeatWriter::tick()
{
    const PortOutput::Turn turn = output_.repeatTurn(fd_, message_);
    if (turn.written < 0 && turn.written != -EAGAIN) {
        error_ = static_cast<int>(-turn.written);
        return false;
    }
    if (turn.written > 0)
        bytes_ += static_cast<std::uint64_t>(turn.written);
    if (turn.sent)
        ++sent_;
    else
        ++skipped_;
    return true;
}
