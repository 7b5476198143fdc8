#include "app/CaptureWriter.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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
    bool wasEmpty = false;
    {
        const std::lock_guard lock(mutex_);
        if (broken_ || finishing_ || (!failure_.empty() && !force))
            return false;
        if (!force && pending_.size() + inFlight_ + bytes.size() > limit_) {
            failure_ = "the disk fell " + std::to_string((pending_.size() + inFlight_) >> 20) +
                       " MiB behind the port";
            return false;
        }
        wasEmpty = pending_.empty();
        pending_.append(bytes);
        total_ += bytes.size();
    }
    // The thread sleeps only on an empty queue; otherwise it comes back for these by itself.
    if (wasEmpty)
        wake_.notify_one();
    return true;
}

std::string CaptureWriter::finish()
{
    {
        const std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    wake_.notify_one();
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

namespace {

constexpr std::size_t shrinkAbove = 4u << 20;

} // namespace

void CaptureWriter::run()
{
    std::string out; // swapped with the queue: both keep their room, so a steady stream allocates nothing
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !pending_.empty() || finishing_ || broken_; });
        if (pending_.empty() || broken_)
            break;
        out.swap(pending_);
        inFlight_ = out.size();
        lock.unlock();
        const bool written = writeOut(out);
        out.clear();
        // Room a backlog needed goes back once it is written: memory stays flat in a long flood.
        if (out.capacity() > shrinkAbove)
            std::string().swap(out);
        lock.lock();
        inFlight_ = 0;
        if (!written)
            break;
    }
    pending_.clear();
    pending_.shrink_to_fit();
    lock.unlock();
    // Written is not yet kept: a full or failing disk may tell only now.
    if (::fsync(file_.get()) != 0 && errno != EINVAL && errno != EROFS)
        fail(std::strerror(errno));
    if (::close(file_.release()) != 0 && errno != EINTR)
        fail(std::strerror(errno));
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
    // Writing on to a file someone deleted would lose everything from here on without a word.
    struct stat status {};
    if (::fstat(file_.get(), &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 0) {
        fail("the file was deleted");
        return false;
    }
    return true;
}
