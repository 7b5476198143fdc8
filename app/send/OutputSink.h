// Where paced output, repeats and file sends hand their bytes: the open port's output queue,
// as the window connects it. Bytes go out in the order handed; pending() lets a big send
// hand more only as the port takes it, so nothing large ever waits in memory.
#pragma once

#include "devices/PortRepeat.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class OutputSink {
public:
    OutputSink() = default;
    OutputSink(const OutputSink&) = delete;
    OutputSink& operator=(const OutputSink&) = delete;
    virtual ~OutputSink() = default;

    // Queues bytes behind everything handed before. False, taking nothing, when there is no
    // open port to take them.
    virtual bool write(std::string_view bytes) = 0;
    // Bytes queued that the port has not taken yet, whoever queued them.
    virtual std::size_t pending() const = 0;
    // Whether a port is there to take bytes.
    virtual bool isOpen() const = 0;
    // Bytes that were queued and lost because the port failed or went away, since the sink
    // was made.
    virtual std::size_t dropped() const = 0;
    // Calls back once, from the event loop and never from within this call, when pending()
    // is below `bytes` or the port went away. Replaces an earlier request; an empty callback
    // cancels it. One caller waits at a time: the window's OutputPacer.
    virtual void whenBelow(std::size_t bytes, std::function<void()> callback) = 0;

    // Has the port write message every interval from a thread of its own; nullptr when it
    // can't (or there is no port), and the caller repeats on its own timer.
    virtual std::shared_ptr<PortRepeat> repeat(std::string /*message*/, std::chrono::nanoseconds /*interval*/)
    {
        return nullptr;
    }
    // Told the bytes a repeat wrote since last told: they count as the sink's own. Also sees
    // that the rest of a message the port did not take whole goes out.
    virtual void repeated(std::size_t /*bytes*/) {}
};
