#include "app/capture/Capture.h"

#include "app/capture/renderCaptureLine.h"
#include "toolkit/openRegularFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The files captures are writing to, so a second capture can't empty one and interleave with
// it (two windows on one device, say, pointed at the same log).
std::mutex filesMutex;
std::set<std::pair<dev_t, ino_t>> filesInUse;

} // namespace

std::unique_ptr<Capture> Capture::start(const std::string& path, Format format, int viewType, std::string& error,
                                        std::size_t queueLimit, Moment at)
{
    // Emptied only once it is known to be no other capture's file.
    FileDescriptor file = openRegularFile(path, false, error);
    struct stat status {};
    if (!file)
        return nullptr;
    if (::fstat(file.get(), &status) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    const std::pair<dev_t, ino_t> identity{status.st_dev, status.st_ino};
    {
        const std::lock_guard lock(filesMutex);
        if (!filesInUse.insert(identity).second) {
            error = "another capture is writing to it";
            return nullptr;
        }
    }
    if (::ftruncate(file.get(), 0) != 0) {
        error = std::strerror(errno);
        const std::lock_guard lock(filesMutex);
        filesInUse.erase(identity);
        return nullptr;
    }
    std::unique_ptr<Capture> capture(new Capture(path, format, viewType, std::move(file), queueLimit));
    capture->file_ = identity;
    capture->mark("Capture started", at);
    return capture;
}

Capture::Capture(std::string path, Format format, int viewType, FileDescriptor file, std::size_t queueLimit)
    : path_(std::move(path)), format_(format), viewType_(viewType), writer_(std::move(file), queueLimit)
{
}

Capture::~Capture()
{
    stop();
}

bool Capture::received(std::string_view bytes, Moment at)
{
    if (stopped_ || bytes.empty())
        return !stopped_;
    captured_ += bytes.size();
    if (format_ == Format::Raw)
        return writer_.write(bytes);

    if (!line_.empty() && at.steady - lastByte_ >= idleGap)
        endLine();
    lastByte_ = at.steady;
    while (!bytes.empty()) {
        if (line_.empty())
            lineStart_ = at.wall;
        const std::string_view room = bytes.substr(0, maxLineBytes - line_.size());
        const std::size_t end = room.find('\n');
        const std::size_t take = end == std::string_view::npos ? room.size() : end + 1;
        line_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (end != std::string_view::npos || line_.size() == maxLineBytes)
            endLine();
    }
    return flush();
}

bool Capture::tick(Moment at)
{
    if (stopped_)
        return false;
    if (!line_.empty() && at.steady - lastByte_ >= idleGap)
        endLine();
    // The writer fails on its own thread: the ticks are where the window hears of it.
    return flush() && writer_.failure().empty();
}

void Capture::mark(std::string_view what, Moment at)
{
    if (stopped_ || format_ != Format::Text)
        return;
    endLine();
    appendStamp(at.wall);
    out_.append("--- ").append(what).append(" ---\n");
    flush(true);
}

void Capture::requestStop(Moment at)
{
    if (stopped_)
        return;
    const std::string failed = writer_.failure();
    mark(failed.empty() ? std::string("Capture stopped") : "Capture stopped: " + failed, at);
    stopped_ = true;
    writer_.requestFinish();
}

std::string Capture::stop(Moment at)
{
    return stopWithin(std::chrono::milliseconds::max(), at);
}

std::string Capture::stopWithin(std::chrono::milliseconds limit, Moment at)
{
    requestStop(at);
    if (!finished_) {
        stopResult_ = writer_.finish(limit);
        finished_ = true;
        // Closed: the file is free for another capture.
        const std::lock_guard lock(filesMutex);
        if (file_)
            filesInUse.erase(*file_);
    }
    return stopResult_;
}

void Capture::endLine()
{
    if (line_.empty())
        return;
    appendStamp(lineStart_);
    // The line feed ends the line in the file; the views of byte values show it as well.
    const bool lineFeed = line_.back() == '\n';
    std::string_view shown(line_);
    if (lineFeed && (viewType_ < 1 || viewType_ > 3))
        shown.remove_suffix(1);
    out_.append(renderCaptureLine(shown, viewType_, encoding_)).push_back('\n');
    line_.clear();
}

void Capture::appendStamp(std::chrono::system_clock::time_point wall)
{
    using namespace std::chrono;
    const auto millis = duration_cast<milliseconds>(wall.time_since_epoch()).count();
    const auto second = millis / 1000 - (millis % 1000 < 0 ? 1 : 0);
    if (second != stampSecond_) {
        const std::time_t seconds = static_cast<std::time_t>(second);
        std::tm local{};
        ::localtime_r(&seconds, &local);
        char text[32];
        const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
        stampPrefix_.assign(text, length);
        stampSecond_ = second;
    }
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03d ", static_cast<int>(millis - second * 1000));
    out_.append(stampPrefix_).append(fraction);
}

bool Capture::flush(bool force)
{
    if (out_.empty())
        return true;
    const bool taken = writer_.write(out_, force);
    out_.clear();
    return taken;
}

bool Capture::fileIsGone() const
{
    if (!file_)
        return false;
    struct stat status {};
    return ::stat(path_.c_str(), &status) != 0 || std::pair(status.st_dev, status.st_ino) != *file_;
}
