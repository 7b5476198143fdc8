// Carries finished log lines to a test's sink while one is set, else to standard output: a
// regular file at once, a pipe or terminal from a thread of its own fed by a bounded queue, so a
// stalled reader never holds up the caller. Lines stay whole and in order; what does not fit is
// dropped whole, and stderr says how many once the lines before the gap have gone out.
#pragma once

#include "toolkit/FileDescriptor.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>

class LogWriter {
public:
    using Sink = std::function<void(std::string_view line)>;

    // Bytes waiting for a slow reader before further lines are dropped.
    static constexpr std::size_t capacity = 256 * 1024;

    // The one writer of the process, never destroyed. Its first use ignores SIGPIPE, unless
    // someone handles it, and has normal exit wait up to a second for what is queued.
    static LogWriter& shared();

    // `line` ends in its newline.
    void write(std::string_view line);
    // Answers the sink it replaces. The sink is called with the writer locked: it must not log.
    Sink setSink(Sink sink);
    // Waits until every queued line has left, or the time is up; true when none is left.
    bool flush(std::chrono::milliseconds timeout);

    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

private:
    // What fd 1 referred to when a line was queued: the line goes there even if fd 1 is pointed
    // elsewhere before the thread writes it, as a test capturing stdout or a benchmark does.
    struct Destination {
        dev_t device;
        ino_t inode;
        FileDescriptor fd;
    };
    struct Chunk {
        std::shared_ptr<const Destination> destination;
        std::string bytes; // whole lines
        std::size_t droppedAfter = 0;
    };

    LogWriter();
    void enqueue(std::string_view line, const struct stat& info);
    [[noreturn]] void run();

    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable drained_;
    Sink sink_;
    std::deque<Chunk> chunks_;
    // Includes the chunk being written, so memory stays within capacity even while it blocks.
    std::size_t bytes_ = 0;
    bool writing_ = false;
    bool started_ = false;
    std::shared_ptr<const Destination> destination_;
};
