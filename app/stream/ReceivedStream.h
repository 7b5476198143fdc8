// One window's received stream: the bytes its device delivers and the events of its port,
// handed to every consumer registered, in the order they registered. A consumer may add or
// remove consumers, itself included, while it is being told; one removed is not told again,
// one added hears from the next delivery on.
#pragma once

#include "app/stream/StreamConsumer.h"

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

private:
    template <typename Tell>
    void tellAll(const Tell& tell);

    std::vector<StreamConsumer*> consumers_;
    int walking_ = 0;
};
