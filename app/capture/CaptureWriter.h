// Writes a capture file on a thread of its own, so the thread that reads the port never waits
// on the disk. Bytes handed to it are written in order, whole, or the writer fails and says
// why; it never drops bytes in the middle. What it was given before a failure is in the file.
#pragma once

#include "toolkit/FileDescriptor.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
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
    // failure, if any, as failure() does.
    std::string finish();
    // The same without waiting: the thread finishes on its own; isFinished() tells when.
    void requestFinish();
    bool isFinished() const { return finished_; }
    // Why the writer stopped taking bytes ("" while it takes them): the system's reason for a
    // failed write, or the queue overflowing.
    std::string failure() const;

private:
    void run();
    // Writes all of bytes; on failure stores the reason and answers false.
    bool writeOut(std::string_view bytes);
    // False, with the reason stored, once the file has been deleted.
    bool stillLinked();
    void fail(std::string reason);

    FileDescriptor file_;
    const std::size_t limit_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::string> pending_; // given, not yet taken by the thread; the last block fills
    std::size_t pendingBytes_ = 0;
    std::size_t inFlight_ = 0;        // taken by the thread, not yet written
    std::vector<std::string> spare_;  // written blocks, emptied, kept for reuse
    bool finishing_ = false;
    bool broken_ = false; // a write failed: the file takes nothing more
    std::string failure_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};
