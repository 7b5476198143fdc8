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
    releasePort();
}

std::string Device::path() const
{
    return directory_ + "/" + address_;
}

void Device::setPort(std::unique_ptr<Port> port)
{
    releasePort();
    port_ = std::move(port);
}

int Device::releasePort()
{
    if (!port_)
        return 0;
    // Taken out first: whoever the close wakes must find the record without a port.
    const std::unique_ptr<Port> port = std::move(port_);
    return port->close();
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
    if (port_)
        port_->addWaker(who, std::move(wake));
    else
        wake(); // nothing to wait for
}

void Device::removeWaker(const void* who)
{
    if (port_)
        port_->removeWaker(who);
}
