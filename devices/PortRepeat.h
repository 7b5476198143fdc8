// A message an open port writes again and again at exact intervals from a thread of its own,
// so the caller's thread need not wake for each send. A tick that finds output waiting sends
// nothing. It ends at stop(), when the last holder lets go, when the port closes or when a
// write fails.
#pragma once

#include <cstdint>

class PortRepeat {
public:
    struct Progress {
        std::uint64_t sent = 0;    // messages handed to the device whole
        std::uint64_t skipped = 0; // ticks that found output still waiting
        std::uint64_t bytes = 0;   // bytes this repeat wrote
        int error = 0;             // errno of the write that failed and ended it, else 0
        bool ended = false;        // it sends no more: stopped, its port closed, or failed
    };

    PortRepeat() = default;
    PortRepeat(const PortRepeat&) = delete;
    PortRepeat& operator=(const PortRepeat&) = delete;
    virtual ~PortRepeat() = default;

    // Safe to ask at any time, also after the port has gone.
    virtual Progress progress() const = 0;
    // Ends it and waits until it has: progress() is final from then on.
    virtual void stop() = 0;
};
