#include "app/send/FileSender.h"

#include "app/send/OutputPacer.h"
#include "app/send/OutputSink.h"
#include "toolkit/Clock.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

FileSender::FileSender(OutputPacer& pacer, OutputSink& sink)
    : pacer_(pacer), sink_(sink)
{
}

FileSender::~FileSender()
{
    if (isRunning()) {
        onFinished_ = nullptr;
        cancel();
    }
}

std::string FileSender::start(const std::string& path)
{
    if (isRunning())
        return "A file is being sent already.";
    const std::string name = std::filesystem::path(path).filename().string();
    if (!sink_.isOpen())
        return "No open port to send " + name + " to. Switch reading on to open it.";
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0)
        return "Cannot send " + name + ": " + std::strerror(errno) + ".";
    if (!S_ISREG(info.st_mode))
        return "Cannot send " + name + ": it is not a plain file.";
    file_ = std::move(file);
    name_ = name;
    size_ = static_cast<std::uint64_t>(info.st_size);
    read_ = 0;
    atEnd_ = false;
    lost_ = 0;
    readError_ = 0;
    handedAtStart_ = pacer_.handed() + pacer_.waiting();
    droppedAtStart_ = sink_.dropped();
    outcome_ = Outcome::Running;
    meter_.start();
    lastProgress_ = {};
    pacer_.setListener([this] { pacerMoved(); });
    pacerMoved();
    return {};
}

void FileSender::cancel()
{
    if (!isRunning())
        return;
    pacer_.stop();
    finish(Outcome::Cancelled, "Sending " + name_ + " was cancelled after " + describeBytes(sent()) + " of " +
                                   describeBytes(size_) + ".");
}

std::uint64_t FileSender::handedSinceStart() const
{
    return pacer_.handed() - handedAtStart_;
}

std::uint64_t FileSender::sent() const
{
    const std::uint64_t handed = handedSinceStart();
    if (outcome_ == Outcome::PortGone)
        return handed - std::min(handed, lost_);
    return handed - std::min<std::uint64_t>(handed, sink_.pending());
}

TransferProgress FileSender::progress()
{
    return meter_.note(sent(), size_);
}

void FileSender::pacerMoved()
{
    if (!isRunning() || refilling_)
        return;
    if (!sink_.isOpen()) {
        lost_ = sink_.dropped() - droppedAtStart_;
        pacer_.stop();
        outcome_ = Outcome::PortGone;
        finish(Outcome::PortGone, "Sending " + name_ + " stopped: the port went away after " + describeBytes(sent()) +
                                      " of " + describeBytes(size_) + "; " + describeBytes(lost_) +
                                      " queued then were lost.");
        return;
    }
    if (!refill()) {
        pacer_.stop();
        finish(Outcome::ReadFailed, "Sending " + name_ + " stopped: reading it failed after " +
                                        describeBytes(read_) + " (" + std::strerror(readError_) + ").");
        return;
    }
    if (atEnd_ && pacer_.waiting() == 0 && sink_.pending() == 0) {
        const TransferProgress done = meter_.note(size_, size_);
        const double seconds = std::chrono::duration<double>(done.elapsed).count();
        char time[32];
        std::snprintf(time, sizeof time, "%.1f s", seconds);
        std::string status = "Sent " + name_ + ": " + describeBytes(size_) + " in " + time;
        if (seconds > 0)
            status += " (" + describeBytes(static_cast<std::uint64_t>(static_cast<double>(size_) / seconds)) + "/s)";
        finish(Outcome::Sent, status + ".");
        return;
    }
    const auto now = Clock::now().steady;
    if (onProgress_ && now - lastProgress_ >= progressInterval) {
        lastProgress_ = now;
        onProgress_(progress());
    }
}

bool FileSender::refill()
{
    static std::vector<char> buffer(block);
    refilling_ = true;
    while (!atEnd_ && pacer_.waiting() < block) {
        const ssize_t count = ::read(file_.get(), buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            readError_ = errno;
            refilling_ = false;
            return false;
        }
        if (count == 0) {
            atEnd_ = true;
            break;
        }
        read_ += static_cast<std::uint64_t>(count);
        pacer_.send(std::string_view(buffer.data(), static_cast<std::size_t>(count)));
    }
    refilling_ = false;
    return true;
}

void FileSender::finish(Outcome outcome, std::string status)
{
    outcome_ = outcome;
    file_.reset();
    pacer_.setListener(nullptr);
    if (onFinished_)
        onFinished_(status);
}
