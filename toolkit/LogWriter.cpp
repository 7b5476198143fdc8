#include "toolkit/LogWriter.h"

#include "toolkit/Stderr.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

// Writes everything unless the descriptor fails for good (a reader that went away, say).
void writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Someone else made the shared description non-blocking: wait here, on our own thread.
            pollfd entry{fd, POLLOUT, 0};
            ::poll(&entry, 1, -1);
        } else if (n == 0 || errno != EINTR) {
            return;
        }
    }
}

void reportDrops(std::size_t count)
{
    Stderr::line(std::to_string(count) + (count == 1 ? " log line" : " log lines") +
                 " dropped: standard output was not being read");
}

} // namespace

LogWriter& LogWriter::shared()
{
    // Never destroyed: the thread may still be stuck in a write while the process exits.
    static LogWriter& writer = *new LogWriter;
    return writer;
}

LogWriter::LogWriter()
{
    // A reader that went away (`serialterm | head`) must cost lines, not the program.
    struct sigaction current {};
    if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        std::signal(SIGPIPE, SIG_IGN);
    std::atexit([] { shared().flush(std::chrono::seconds(1)); });
}

void LogWriter::write(std::string_view line)
{
    std::lock_guard lock(mutex_);
    if (sink_) {
        sink_(line);
        return;
    }
    struct stat info {};
    if (::fstat(STDOUT_FILENO, &info) != 0)
        return; // no stdout at all
    if (S_ISREG(info.st_mode) || (S_ISCHR(info.st_mode) && !::isatty(STDOUT_FILENO))) {
        // A file, or a device that is not a terminal (/dev/null), never waits for a reader;
        // writing it in place keeps its offset shared with whoever else writes through the
        // same description, and costs no thread hand-off.
        writeAll(STDOUT_FILENO, line);
        return;
    }
    enqueue(line, info);
}

void LogWriter::enqueue(std::string_view line, const struct stat& info)
{
    if (bytes_ + line.size() > capacity) {
        if (chunks_.empty())
            chunks_.emplace_back();
        ++chunks_.back().droppedAfter;
        return;
    }
    if (!destination_ || destination_->device != info.st_dev || destination_->inode != info.st_ino) {
        FileDescriptor fd(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
        if (!fd)
            return;
        destination_ = std::make_shared<const Destination>(Destination{info.st_dev, info.st_ino, std::move(fd)});
    }
    // Lines share a write up to PIPE_BUF bytes, which a pipe takes whole or not at all.
    const bool joins = !chunks_.empty() && chunks_.back().destination == destination_ &&
                       chunks_.back().droppedAfter == 0 && chunks_.back().bytes.size() + line.size() <= PIPE_BUF;
    if (!joins)
        chunks_.push_back(Chunk{destination_, {}, 0});
    chunks_.back().bytes.append(line);
    bytes_ += line.size();
    if (!started_) {
        started_ = true;
        try {
            std::thread([this] { run(); }).detach();
        } catch (const std::system_error&) {
            // No thread: the queue fills and later lines are dropped, as for a reader that stopped.
        }
    }
    queued_.notify_one();
}

LogWriter::Sink LogWriter::setSink(Sink sink)
{
    std::lock_guard lock(mutex_);
    std::swap(sink, sink_);
    return sink;
}

bool LogWriter::flush(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return drained_.wait_for(lock, timeout, [this] { return chunks_.empty() && !writing_; });
}

void LogWriter::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        queued_.wait(lock, [this] { return !chunks_.empty(); });
        Chunk chunk = std::move(chunks_.front());
        chunks_.pop_front();
        writing_ = true;
        lock.unlock();
        if (chunk.destination)
            writeAll(chunk.destination->fd.get(), chunk.bytes);
        if (chunk.droppedAfter > 0)
            reportDrops(chunk.droppedAfter);
        const std::size_t written = chunk.bytes.size();
        chunk = Chunk{};
        lock.lock();
        bytes_ -= written;
        writing_ = false;
        if (chunks_.empty())
            drained_.notify_all();
    }
}
