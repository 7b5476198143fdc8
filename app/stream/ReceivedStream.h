// One window's received stream: the bytes its device delivers and the events of its port,
// handed to every consumer registered, in the order they registered. A consumer added while
// the port is open hears first that it opened, so every consumer knows what it starts on. A
// consumer may add or remove consumers, itself included, while it is being told; one removed
// is not told again, one added hears from the next delivery on.
#pragma once

#include "app/stream/StreamConsumer.h"

#include <optional>
#include <vector>

class ReceivedStream {
public:
    // Not owned; adding one twice registers it once. It must be removed before it goes.
    void add(StreamConsumer& consumer);
    void remove(StreamConsumer& consumer);
    bool has(const StreamConsumer& consumer) const;

    void deliver(std::string_view bytes, const Moment& at);
    void announce(const PortEvent& event);
    void idle(const Moment& now);
    // The event that opened the port, while it is open; nullptr while it is closed.
    const PortEvent* portOpen() const { return open_ ? &*open_ : nullptr; }

private:
    template <typename Tell>
    void tellAll(const Tell& tell);

    std::vector<StreamConsumer*> consumers_;
    std::optional<PortEvent> open_;
    int walking_ = 0;
};
