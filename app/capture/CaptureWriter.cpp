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

CaptureWriter::CaptureWriter(FileDescriptor file, std::size_t queueLimit) : state_(std::make_shared<State>())
{
    state_->file = std::move(file);
    state_->limit = queueLimit;
    thread_ = std::thread([state = state_] { state->run(); });
}

CaptureWriter::~CaptureWriter()
{
    finish();
}

bool CaptureWriter::write(std::string_view bytes, bool force)
{
    if (bytes.empty())
        return true;
    State& s = *state_;
    bool wake = false;
    {
        const std::lock_guard lock(s.mutex);
        if (s.broken || s.finishing || (!s.failure.empty() && !force))
            return false;
        if (!force && s.pendingBytes + s.inFlight + bytes.size() > s.limit) {
            s.failure = "the disk fell " + std::to_string((s.pendingBytes + s.inFlight) >> 20) + " MiB behind the port";
            return false;
        }
        // The thread sleeps on an empty queue, or gathers a batch; anything else it comes back
        // for by itself. One wake-up per batch, not per read, keeps a flood's cost down.
        wake = s.pendingBytes == 0 || (s.pendingBytes < batchBytes && s.pendingBytes + bytes.size() >= batchBytes);
        s.pendingBytes += bytes.size();
        while (!bytes.empty()) {
            if (s.pending.empty() || s.pending.back().size() == blockBytes) {
                if (s.spare.empty()) {
                    s.pending.emplace_back().reserve(blockBytes);
                } else {
                    s.pending.push_back(std::move(s.spare.back()));
                    s.spare.pop_back();
                }
            }
            std::string& block = s.pending.back();
            const std::size_t take = std::min(bytes.size(), blockBytes - block.size());
            block.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
        }
    }
    if (wake)
        s.wake.notify_one();
    return true;
}

void CaptureWriter::requestFinish()
{
    {
        const std::lock_guard lock(state_->mutex);
        state_->finishing = true;
    }
    state_->wake.notify_one();
}

std::string CaptureWriter::finish(std::chrono::milliseconds limit)
{
    requestFinish();
    if (!thread_.joinable())
        return failure();
    std::unique_lock lock(state_->mutex);
    const auto finished = [this] { return state_->finished.load(); };
    if (limit == std::chrono::milliseconds::max())
        state_->done.wait(lock, finished);
    else if (!state_->done.wait_for(lock, limit, finished)) {
        // A disk that hangs must not hold the window, nor quitting, for good.
        const std::size_t unwritten = state_->pendingBytes + state_->inFlight;
        lock.unlock();
        thread_.detach();
        return "the capture could not be written out: " + std::to_string(unwritten) + " bytes lost";
    }
    lock.unlock();
    thread_.join();
    return failure();
}

std::string CaptureWriter::failure() const
{
    const std::lock_guard lock(state_->mutex);
    return state_->failure;
}

void CaptureWriter::State::fail(std::string reason)
{
    const std::lock_guard lock(mutex);
    broken = true;
    if (failure.empty())
        failure = std::move(reason);
}

void CaptureWriter::State::run()
{
    std::deque<std::string> out;
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return pendingBytes > 0 || finishing || broken; });
        if (pendingBytes == 0 || broken)
            break;
        wake.wait_for(lock, gatherTime, [this] { return pendingBytes >= batchBytes || finishing; });
        // The blocks are the thread's now; the reader starts new ones.
        out.swap(pending);
        inFlight = std::exchange(pendingBytes, 0);
        lock.unlock();
        bool written = true;
        for (const std::string& block : out)
            written = written && writeOut(block);
        written = written && stillLinked();
        lock.lock();
        inFlight = 0;
        for (std::string& block : out) {
            if (spare.size() == spareBlocks)
                break;
            block.clear();
            spare.push_back(std::move(block));
        }
        out.clear();
        if (!written)
            break;
    }
    pending.clear();
    spare.clear();
    lock.unlock();
    // Written is not yet kept: a full or failing disk may tell only now.
    if (::fsync(file.get()) != 0 && errno != EINVAL && errno != EROFS)
        fail(std::strerror(errno));
    if (::close(file.release()) != 0 && errno != EINTR)
        fail(std::strerror(errno));
    {
        const std::lock_guard guard(mutex);
        finished = true;
    }
    done.notify_all();
}

bool CaptureWriter::State::writeOut(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(file.get(), bytes.data(), bytes.size());
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

bool CaptureWriter::State::stillLinked()
{
    // Writing on to a file someone deleted would lose everything from here on without a word.
    struct stat status {};
    if (::fstat(file.get(), &status) == 0 && S_ISREG(status.st_mode) && status.st_nlink == 0) {
        fail("the file was deleted");
        return false;
    }
    return true;
}
