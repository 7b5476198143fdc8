#include "app/capture/CaptureWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// A write waits this long for a batch to gather: a flood's reads of a few KiB each would
// otherwise cost a wake-up and a write apiece.
constexpr auto gatherTime = std::chrono::milliseconds(50);
// Written blocks kept for reuse: a steady stream then never allocates, and memory a backlog
// needed goes back once it is written.
constexpr std::size_t spareBlocks = 16;

} // namespace

CaptureWriter::CaptureWriter(FileDescriptor file, std::size_t queueLimit)
    : file_(std::move(file)), limit_(queueLimit), thread_([this] { run(); })
{
}

CaptureWriter::~CaptureWriter()
{
    finish();
}

bool CaptureWriter::write(std::string_view bytes, bool force)
{
    if (bytes.empty())
        return true;
    bool wake = false;
    {
        const std::lock_guard lock(mutex_);
        if (broken_ || finishing_ || (!failure_.empty() && !force))
            return false;
        if (!force && pendingBytes_ + inFlight_ + bytes.size() > limit_) {
            failure_ = "the disk fell " + std::to_string((pendingBytes_ + inFlight_) >> 20) + " MiB behind the port";
            return false;
        }
        // The thread sleeps on an empty queue, or gathers a batch; anything else it comes back
        // for by itself. One wake-up per batch, not per read, keeps a flood's cost down.
        wake = pendingBytes_ == 0 || (pendingBytes_ < batchBytes && pendingBytes_ + bytes.size() >= batchBytes);
        pendingBytes_ += bytes.size();
        while (!bytes.empty()) {
            if (pending_.empty() || pending_.back().size() == blockBytes) {
                if (spare_.empty()) {
                    pending_.emplace_back().reserve(blockBytes);
                } else {
                    pending_.push_back(std::move(spare_.back()));
                    spare_.pop_back();
                }
            }
            std::string& block = pending_.back();
            const std::size_t take = std::min(bytes.size(), blockBytes - block.size());
            block.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
        }
    }
    if (wake)
        wake_.notify_one();
    return true;
}

void CaptureWriter::requestFinish()
{
    {
        const std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    wake_.notify_one();
}

std::string CaptureWriter::finish()
{
    requestFinish();
    if (thread_.joinable())
        thread_.join();
    return failure();
}

std::string CaptureWriter::failure() const
{
    const std::lock_guard lock(mutex_);
    return failure_;
}

void CaptureWriter::fail(std::string reason)
{
    const std::lock_guard lock(mutex_);
    broken_ = true;
    if (failure_.empty())
        failure_ = std::move(reason);
}

void CaptureWriter::run()
{
    std::deque<std::string> out;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return pendingBytes_ > 0 || finishing_ || broken_; });
        if (pendingBytes_ == 0 || broken_)
            break;
        wake_.wait_for(lock, gatherTime, [this] { return pendingBytes_ >= batchBytes || finishing_; });
        // The blocks are the thread's now; the reader starts new ones.
        out.swap(pending_);
        inFlight_ = std::exchange(pendingBytes_, 0);
        lock.unlock();
        bool written = true;
        for (const std::string& block : out)
            written = written && writeOut(block);
        written = written && stillLinked();
        lock.lock();
        inFlight_ = 0;
        for (std::string& block : out) {
            if (spare_.size() == spareBlocks)
                break;
            block.clear();
            spare_.push_back(std::move(block));
        }
        out.clear();
        if (!written)
            break;
    }
    pending_.clear();
    spare_.clear();
    lock.unlock();
    // Written is not yet kept: a full or failing disk may tell only now.
    if (::fsync(file_.get()) != 0 && errno != EINVAL && errno != EROFS)
        fail(std::strerror(errno));
    if (::close(file_.release()) != 0 && errno != EINTR)
        fail(std::strerror(errno));
    finished_ = true;
}

bool CaptureWriter::writeOut(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(file_.get(), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(std::strerror(errno));
            return false;
        }
        if (written == 0) {
            fail(std::strerror(ENOSPC));
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool CaptureWriter::stillLinked()
{
    // Writing on to a file someone deleted would lose everything from here on without a word.
    struct stat status {};
    if (::fstat(file_.get(), &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 0) {
        fail("the file was deleted");
        return false;
    }
    return true;
}
