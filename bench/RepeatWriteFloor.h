// What it costs on this machine, for scale, just to write a short message at each tick of a
// repeat: a bare thread sleeping to each tick, counted from the start, and writing the message
// into a raw pty whose other side another thread empties.
#pragma once

#include "bench/CpuTime.h"
#include "tests/support/Pty.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string_view>
#include <thread>

// The writer's CPU over `seconds`, as % of one core.
inline double repeatWriteFloorPercent(double seconds, std::chrono::milliseconds interval, std::string_view message)
{
    using namespace std::chrono;
    Pty pty;
    pty.makeRaw();
    std::atomic<bool> done = false;
    std::thread reader([&] {
        char buffer[4096];
        while (!done) {
            pollfd fd{pty.master(), POLLIN, 0};
            if (::poll(&fd, 1, 50) > 0)
                [[maybe_unused]] const ssize_t got = ::read(pty.master(), buffer, sizeof buffer);
        }
    });
    const double before = threadCpuSeconds();
    const auto start = steady_clock::now();
    const auto ticks = static_cast<int>(duration<double>(seconds) / interval);
    for (int i = 1; i <= ticks; ++i) {
        std::this_thread::sleep_until(start + i * interval);
        [[maybe_unused]] const ssize_t written = ::write(pty.slave(), message.data(), message.size());
    }
    const double spent = threadCpuSeconds() - before;
    done = true;
    reader.join();
    return spent / seconds * 100;
}
