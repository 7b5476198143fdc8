#include "serial/PortOutput.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <utility>

namespace {

// What a write that took nothing answers, as Port's writes do.
long failure(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR ? -EAGAIN : -error;
}

} // namespace

void PortOutput::append(std::string_view bytes)
{
    const std::lock_guard held(lock_);
    bytes_.append(bytes);
}

std::size_t PortOutput::size() const
{
    const std::lock_guard held(lock_);
    return bytes_.size();
}

long PortOutput::write(int fd)
{
    const std::lock_guard held(lock_);
    return writeLocked(fd, bytes_.size());
}

std::size_t PortOutput::clear()
{
    const std::lock_guard held(lock_);
    repeatRest_ = 0;
    return std::exchange(bytes_, {}).size();
}

PortOutput::Turn PortOutput::repeatTurn(int fd, std::string_view message)
{
    const std::lock_guard held(lock_);
    if (repeatRest_ > 0)
        return {writeLocked(fd, repeatRest_), false};
    if (!bytes_.empty() || message.empty())
        return {-EAGAIN, false};
    const ssize_t written = ::write(fd, message.data(), message.size());
    if (written <= 0)
        return {written < 0 ? failure(errno) : -EAGAIN, false};
    const auto taken = static_cast<std::size_t>(written);
    bytes_.assign(message.substr(taken));
    repeatRest_ = bytes_.size();
    return {static_cast<long>(written), true};
}

long PortOutput::writeLocked(int fd, std::size_t count)
{
    // An empty queue is written as well: the log tells every send, an empty one too.
    const ssize_t written = ::write(fd, bytes_.data(), count);
    if (written < 0)
        return failure(errno);
    const auto taken = static_cast<std::size_t>(written);
    bytes_.erase(0, taken);
    repeatRest_ -= std::min(repeatRest_, taken);
    return static_cast<long>(written);
}
