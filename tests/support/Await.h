// Waits for what a real pty or thread does in its own time: takes a step (a tick, a read of
// the port) and looks again, a millisecond apart, until done or the limit passed. A loaded
// machine makes it take longer, never fail; the limit only ends a test that went wrong.
#pragma once

#include <chrono>
#include <poll.h>

template <typename Done, typename Step>
bool await(const Done& done, const Step& step, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        step();
        ::poll(nullptr, 0, 1);
    }
    return true;
}
