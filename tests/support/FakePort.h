// A port without a device behind it, for tests of what holds or drives a port: it counts its
// closes, reads what the test feeds it, and takes output until a chosen failure.
#pragma once

#include "devices/Port.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <utility>

class FakePort : public Port {
public:
    explicit FakePort(int fd, int* closes = nullptr) : fd_(fd), closes_(closes) {}
    ~FakePort() override { close(); }

    // Bytes the next reads find; once they are gone a read answers readError (minus an errno).
    std::string incoming;
    long readError = 0;
    // Writes take this many bytes more, then answer minus writeError (or -EAGAIN without one).
    std::size_t room = SIZE_MAX;
    int writeError = 0;
    std::string written;

    // What the event loop would do when the descriptor is ready.
    void becomeReadable() const { if (onReadable_ && !paused_) onReadable_(); }
    void becomeWritable() const { if (onWritable_) onWritable_(); }

    int descriptor() const override { return fd_; }
    termios* savedOptions() override { return nullptr; }
    int close() override
    {
        if (fd_ != -1 && closes_)
            ++*closes_;
        fd_ = -1;
        return 0;
    }
    long read(char* buffer, std::size_t size) override
    {
        const std::size_t count = incoming.copy(buffer, size);
        incoming.erase(0, count);
        return count ? static_cast<long>(count) : readError;
    }
    void queue(std::string_view bytes) override { pending_.append(bytes); }
    long writeQueued() override
    {
        const std::size_t count = std::min(pending_.size(), room);
        if (count == 0 && !pending_.empty())
            return writeError ? -writeError : -EAGAIN;
        written.append(pending_, 0, count);
        pending_.erase(0, count);
        room -= count;
        return static_cast<long>(count);
    }
    std::size_t pendingBytes() const override { return pending_.size(); }
    void dropPendingOutput(std::string_view) override { pending_.clear(); }
    bool isHungUp() const override { return false; }
    std::size_t bytesWaiting() const override { return incoming.size(); }

    void watchReadable(std::function<void()> onReadable) override { onReadable_ = std::move(onReadable); }
    bool isWatchingReadable() const override { return static_cast<bool>(onReadable_); }
    void pauseReadable() override { paused_ = true; }
    void resumeReadable() override { paused_ = false; }
    bool isReadablePaused() const override { return onReadable_ && paused_; }
    void watchWritable(std::function<void()> onWritable) override { onWritable_ = std::move(onWritable); }
    void stopWatchingWritable() override { onWritable_ = nullptr; }
    bool isWatchingWritable() const override { return static_cast<bool>(onWritable_); }

private:
    int fd_;
    int* closes_;
    std::string pending_;
    std::function<void()> onReadable_;
    std::function<void()> onWritable_;
    bool paused_ = false;
};
