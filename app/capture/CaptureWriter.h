// Writes a capture file on a thread of its own, so the thread that reads the port never waits
// on the disk. Bytes handed to it are written in order, whole, or the writer fails and says
// why; it never drops bytes in the middle. What it was given before a failure is in the file.
#pragma once

#include "toolkit/FileDescriptor.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class CaptureWriter {
public:
    // Bytes waiting for the disk may not grow past this: a disk that falls this far behind
    // stops the capture rather than the program's memory.
    static constexpr std::size_t defaultQueueLimit = 64u << 20;
    // The thread writes when this much has gathered, or a moment after the first byte came.
    static constexpr std::size_t batchBytes = 256u << 10;
    // The queue is a list of blocks this big, so taking bytes never moves what is queued.
    static constexpr std::size_t blockBytes = 64u << 10;

    // Takes the open file; the thread starts at once.
    explicit CaptureWriter(FileDescriptor file, std::size_t queueLimit = defaultQueueLimit);
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;
    // Finishes as finish() does.
    ~CaptureWriter();

    // Queues bytes behind everything given before. False, queueing nothing, when the writer
    // has failed or the bytes would carry the queue past its limit (failure() tells which).
    // `force` lets a few bytes past the limit, also once it overflowed: a last word on why the
    // capture stopped. Nothing is taken after a failed write.
    bool write(std::string_view bytes, bool force = false);
    // Writes what is queued, syncs and closes the file, and ends the thread. Answers the
    // failure, if any, as failure() does. A disk that does not take it all within `limit` is
    // left to finish on its own: the answer then says how many bytes were not written yet.
    std::string finish(std::chrono::milliseconds limit = std::chrono::milliseconds::max());
    // The same without waiting: the thread finishes on its own; isFinished() tells when.
    void requestFinish();
    bool isFinished() const { return state_->finished; }
    // Why the writer stopped taking bytes ("" while it takes them): the system's reason for a
    // failed write, or the queue overflowing.
    std::string failure() const;

private:
    // Everything the thread works on, shared with it: a thread that a stuck disk holds up past
    // finish()'s limit keeps it alive on its own when the writer goes.
    struct State {
        FileDescriptor file;
        std::size_t limit;
        mutable std::mutex mutex;
        std::condition_variable wake;
        std::condition_variable done;
        std::deque<std::string> pending; // given, not yet taken by the thread; the last block fills
        std::size_t pendingBytes = 0;
        std::size_t inFlight = 0;        // taken by the thread, not yet written
        std::vector<std::string> spare;  // written blocks, emptied, kept for reuse
        bool finishing = false;
        bool broken = false; // a write failed: the file takes nothing more
        std::string failure;
        std::atomic<bool> finished{false};

        void run();
        // Writes all of bytes; on failure stores the reason and answers false.
        bool writeOut(std::string_view bytes);
        // False, with the reason stored, once the file has been deleted.
        bool stillLinked();
        void fail(std::string reason);
    };

    std::shared_ptr<State> state_;
    std::thread thread_;
};
