#include "devices/Device.h"

#include "toolkit/RunLoop.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>
#include <unistd.h>

Device::Device() : directory_("/dev") {}

Device::Device(std::string_view addr, std::string directory)
    : address_(addr), directory_(std::move(directory))
{
}

Device::~Device()
{
    releasePort();
}

std::string Device::path() const
{
    return directory_ + "/" + address_;
}

int Device::releasePort()
{
    if (portHandle_ == -1)
        return 0;
    // Nothing may watch a descriptor once it is closed.
    stopWatching();
    dropPendingOutput("port closed");
    ::tcsetattr(portHandle_, TCSANOW, &options_);
    // Linux frees the descriptor even when close() fails, so the number must not be kept:
    // closing it again later could close a descriptor someone else got in the meantime.
    const int result = ::close(portHandle_);
    const int error = result == 0 ? 0 : errno;
    portHandle_ = -1;
    wakeAll(); // whoever waited on the port must learn it is gone
    return error;
}

void Device::dropPendingOutput(std::string_view reason)
{
    if (pendingOutput_.empty())
        return;
    std::fprintf(stderr, "serialterm: %s: %zu unsent bytes dropped (%.*s)\n", getAddr(),
                 pendingOutput_.size(), static_cast<int>(reason.size()), reason.data());
    pendingOutput_.clear();
}

void Device::appendRecvBuf(const char* bytes, std::size_t count)
{
    recvCount_ += count;
    if (count > maxRecvChars) {
        bytes += count - maxRecvChars;
        count = maxRecvChars;
    }
    // A chunk that would overflow pushes out as many of the oldest characters as it brings.
    if (recvBuffer_.size() + count > maxRecvChars)
        recvBuffer_.erase(0, std::min(count, recvBuffer_.size()));
    recvBuffer_.reserve(recvBuffer_.size() + count);
    for (std::size_t i = 0; i < count; ++i)
        recvBuffer_.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i])));
}

void Device::addReader(const void* reader)
{
    if (std::find(readers_.begin(), readers_.end(), reader) == readers_.end())
        readers_.push_back(reader);
}

void Device::removeReader(const void* reader)
{
    readers_.erase(std::remove(readers_.begin(), readers_.end(), reader), readers_.end());
}

void Device::addWaker(const void* who, std::function<void()> wake)
{
    removeWaker(who);
    if (portHandle_ == -1) {
        wake(); // nothing to wait for
        return;
    }
    wakers_.emplace_back(who, std::move(wake));
    if (!watch_) {
        watch_ = ReadWatch::watchDescriptor(portHandle_, [this] { wakeAll(); });
        RunLoop::currentRunLoop().addWatch(watch_);
    }
}

void Device::removeWaker(const void* who)
{
    std::erase_if(wakers_, [who](const auto& waker) { return waker.first == who; });
    if (wakers_.empty())
        stopWatching();
}

void Device::stopWatching()
{
    if (const std::shared_ptr<ReadWatch> watch = std::move(watch_))
        watch->invalidate();
}

void Device::wakeAll()
{
    stopWatching();
    const auto wakers = std::move(wakers_);
    wakers_.clear();
    for (const auto& waker : wakers)
        waker.second();
}
