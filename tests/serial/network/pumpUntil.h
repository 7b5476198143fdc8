// Runs the toolkit's own event loop, as a program without a GUI does, until `done` answers
// true or `timeout` passes; answers `done`'s last word. The network tests' way to wait for a
// connect, a negotiation or data while the server side is played in between.
#pragma once

#include "toolkit/RunLoop.h"

#include <chrono>

template <typename Done>
bool pumpUntil(Done done, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(2));
    }
    return true;
}
