// An OutputSink on an open Port: queues on the port, writes what it takes at once and the
// rest whenever it takes more (the port's writable watch, which it takes over while output
// waits). A failed write drops the queue, counted in dropped(), as the window does today.
#pragma once

#include "app/send/OutputSink.h"

#include <functional>
#include <memory>

class Port;

class PortSink final : public OutputSink {
public:
    // `port` answers the port to write to, or nullptr once there is none; it is asked at
    // every use, so a record's port may close or be replaced under the sink.
    using PortSource = std::function<Port*()>;
    // `written` hears how many bytes each write put on the wire (the record counts them).
    explicit PortSink(PortSource port, std::function<void(std::size_t)> written = {});
    ~PortSink() override;

    bool write(std::string_view bytes) override;
    std::size_t pending() const override;
    bool isOpen() const override;
    std::size_t dropped() const override;
    void whenBelow(std::size_t bytes, std::function<void()> callback) override;
    std::shared_ptr<PortRepeat> repeat(std::string message, std::chrono::nanoseconds interval) override;
    void repeated(std::size_t bytes) override;

    // The errno of the write that failed, 0 while none did.
    int lastError() const;

private:
    struct State;

    // Shared with the port's writable watch: what was queued still goes out after the sink is
    // gone, and the watch never reaches freed storage.
    std::shared_ptr<State> state_;
};
