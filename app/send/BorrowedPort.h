// A record's port as a transfer borrows it: every call goes to the port the record had when
// the transfer began, while the record still has it. Once the port is closed or replaced the
// borrowed one reads as closed, so a transfer that outlives its port never reaches freed storage.
#pragma once

#include "devices/Port.h"

#include <functional>

class BorrowedPort final : public Port {
public:
    // `source` answers the record's port now, or nullptr; it is asked at every call.
    explicit BorrowedPort(std::function<Port*()> source);

    // Whether the port borrowed is still the record's.
    bool isThere() const { return current() != nullptr; }

    int descriptor() const override;
    termios* savedOptions() override;
    int close() override;
    long read(char* buffer, std::size_t size) override;
    void queue(std::string_view bytes) override;
    long writeQueued() override;
    std::size_t pendingBytes() const override;
    void dropPendingOutput(std::string_view reason) override;
    bool isHungUp() const override;
    std::size_t bytesWaiting() const override;
    void watchReadable(std::function<void()> onReadable) override;
    bool isWatchingReadable() const override;
    void pauseReadable() override;
    void resumeReadable() override;
    bool isReadablePaused() const override;
    void watchWritable(std::function<void()> onWritable) override;
    void stopWatchingWritable() override;
    bool isWatchingWritable() const override;

private:
    Port* current() const;

    std::function<Port*()> source_;
    Port* borrowed_;
};
