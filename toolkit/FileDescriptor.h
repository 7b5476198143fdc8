// Owns one open descriptor and closes it when it goes: no path, early return or exception
// leaves a descriptor behind. Moves hand the descriptor on; -1 means none.
#pragma once

#include <unistd.h>

#include <utility>

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd)
        : fd_(fd)
    {
    }
    FileDescriptor(FileDescriptor&& other) noexcept
        : fd_(std::exchange(other.fd_, -1))
    {
    }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.fd_, -1));
        return *this;
    }
    ~FileDescriptor() { reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ != -1; }
    // Hands the descriptor over without closing it: the caller closes it, and sees how that went.
    int release() { return std::exchange(fd_, -1); }
    // Closes what it held and holds `fd` instead.
    void reset(int fd = -1)
    {
        if (fd_ != -1)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};
