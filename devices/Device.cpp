#include "devices/Device.h"

#include <algorithm>
#include <utility>

Device::Device() : directory_("/dev") {}

Device::Device(std::string_view addr, std::string directory)
    : address_(addr), directory_(std::move(directory))
{
}

Device::~Device()
{
    // The windows showing it must look for their device again: closing a port tells them.
    if (port_)
        releasePort();
    else
        announce();
}

std::string Device::path() const
{
    return directory_ + "/" + address_;
}

void Device::setPort(std::unique_ptr<Port> port)
{
    releasePort();
    if (port) {
        receivedSinceOpen_ = 0;
        sentSinceOpen_ = 0;
    }
    port_ = std::move(port);
    readError_ = 0;
    lent_ = false;
}

int Device::releasePort()
{
    if (!port_)
        return 0;
    // Taken out first: whoever hears of the close must find the record without a port.
    const std::unique_ptr<Port> port = std::move(port_);
    const int error = port->close();
    announce();
    return error;
}

void Device::appendRecvBuf(const char* bytes, std::size_t count)
{
    recvCount_ += count;
    if (count <= classicChunk) {
        // A chunk that would overflow pushes out as many of the oldest characters as it brings.
        if (recvBuffer_.size() + count > maxRecvChars)
            recvBuffer_.erase(0, std::min(count, recvBuffer_.size()));
        recvBuffer_.append(bytes, count);
        return;
    }
    // Reads now take what waits, often far more: the newest maxRecvChars are kept, so the
    // buffer stays full instead of settling wherever it was when it first overflowed.
    if (count >= maxRecvChars) {
        recvBuffer_.assign(bytes + count - maxRecvChars, maxRecvChars);
        return;
    }
    recvBuffer_.append(bytes, count);
    if (recvBuffer_.size() > maxRecvChars)
        recvBuffer_.erase(0, recvBuffer_.size() - maxRecvChars);
}

bool Device::adoptReceived(std::string buffer, std::uint64_t count)
{
    if (recvCount_ != 0)
        return false;
    if (buffer.size() > maxRecvChars)
        buffer.erase(0, buffer.size() - maxRecvChars);
    recvBuffer_ = std::move(buffer);
    recvCount_ = std::max<std::uint64_t>(count, recvBuffer_.size());
    return true;
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

void Device::addListener(const void* who, Listener listener)
{
    removeListener(who);
    listeners_.emplace_back(who, std::move(listener));
}

void Device::removeListener(const void* who)
{
    std::erase_if(listeners_, [who](const auto& entry) { return entry.first == who; });
}

bool Device::hasListener(const void* who) const
{
    return std::any_of(listeners_.begin(), listeners_.end(), [who](const auto& entry) { return entry.first == who; });
}

void Device::deliver(const char* bytes, std::size_t count, const Moment& at)
{
    appendRecvBuf(bytes, count);
    receivedSinceOpen_ += count;
    // A listener may add or remove listeners, its own included.
    const auto listeners = listeners_;
    for (const auto& [who, listener] : listeners)
        listener(std::string_view(bytes, count), at);
}

void Device::announce()
{
    const auto listeners = listeners_;
    for (const auto& [who, listener] : listeners)
        listener({}, Moment{});
}

void Device::setReadError(int error)
{
    readError_ = error;
    announce();
}

void Device::setWriteFailure(int error, std::size_t dropped)
{
    writeFailure_ = {error, dropped};
    announce();
}
