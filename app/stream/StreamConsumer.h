// What hears a window's received stream: every byte its device delivers while the window
// reads it, as it arrives and with its arrival time, and every event of its port, each once
// and in the order they happened. A window's ReceivedStream hands both to its consumers.
#pragma once

#include "app/stream/PortEvent.h"
#include "toolkit/Moment.h"

#include <string_view>

class StreamConsumer {
public:
    StreamConsumer() = default;
    StreamConsumer(const StreamConsumer&) = delete;
    StreamConsumer& operator=(const StreamConsumer&) = delete;
    virtual ~StreamConsumer() = default;

    // The bytes of one read from the port, never empty; at is when the port had them ready.
    virtual void received(std::string_view bytes, const Moment& at) = 0;
    virtual void portEvent(const PortEvent& event) = 0;
    // Time passed without bytes (the window's tick): a consumer that ends lines after an idle
    // gap ends them here. Nothing to do by default.
    virtual void idle(const Moment& now) { (void)now; }
};
