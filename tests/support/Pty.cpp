#include "tests/support/Pty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#ifdef __APPLE__
#include <util.h>
#else
#include <pty.h>
#endif
#include <stdexcept>
#include <string>
#include <unistd.h>

Pty::Pty()
{
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    slavePath_ = name;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    for (const int fd : {master_, slave_})
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

Pty::~Pty()
{
    hangUp();
    if (slave_ != -1)
        ::close(slave_);
}

termios Pty::slaveOptions() const
{
    termios options{};
    if (::tcgetattr(slave_, &options) != 0)
        throw std::runtime_error(std::string("tcgetattr: ") + std::strerror(errno));
    return options;
}

void Pty::makeRaw() const
{
    termios raw = slaveOptions();
    ::cfmakeraw(&raw);
    if (::tcsetattr(slave_, TCSANOW, &raw) != 0)
        throw std::runtime_error(std::string("tcsetattr: ") + std::strerror(errno));
}

void Pty::writeMaster(std::string_view bytes) const
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(master_, bytes.data(), bytes.size());
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            throw std::runtime_error(std::string("write to pty master: ") + std::strerror(errno));
        if (written > 0)
            bytes.remove_prefix(static_cast<std::size_t>(written));
        else
            ::poll(nullptr, 0, 1);
    }
}

std::string Pty::readMaster(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char chunk[4096];
    while (received.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{master_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0)
            break;
        const ssize_t got = ::read(master_, chunk, sizeof chunk);
        if (got > 0)
            received.append(chunk, static_cast<std::size_t>(got));
        else if (got == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return received;
}

void Pty::hangUp()
{
    if (master_ != -1)
        ::close(master_);
    master_ = -1;
}
