// What it costs on this machine, for scale, just to be woken at each arrival of a paced stream:
// a bare thread sleeping in epoll on a pty, noting each arrival as the program's arrival
// clock does (the time, and FIONREAD), while another thread writes the paced stream's 10 ms
// steps into the master and empties the slave every 0.1 s as the read ticks would.
#pragma once

#include "bench/CpuTime.h"
#include "tests/support/Pty.h"

#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

// The watcher's CPU over `seconds`, as % of one core; bytesPerSecond in 10 ms steps.
inline double arrivalWakeFloorPercent(double seconds, double bytesPerSecond)
{
    using namespace std::chrono;
    Pty pty;
    pty.makeRaw();
    std::atomic<bool> done = false;
    double watcherSeconds = 0;
    std::thread watcher([&] {
        const int epoll = ::epoll_create1(EPOLL_CLOEXEC);
        epoll_event watch{};
        watch.events = EPOLLIN | EPOLLET;
        watch.data.fd = pty.slave();
        ::epoll_ctl(epoll, EPOLL_CTL_ADD, pty.slave(), &watch);
        const double start = threadCpuSeconds();
        while (!done) {
            epoll_event event{};
            if (::epoll_wait(epoll, &event, 1, 100) > 0) {
                int waiting = 0;
                ::ioctl(pty.slave(), FIONREAD, &waiting);
                [[maybe_unused]] const auto at = steady_clock::now();
                [[maybe_unused]] const auto wall = system_clock::now();
            }
        }
        watcherSeconds = threadCpuSeconds() - start;
        ::close(epoll);
    });
    std::vector<char> step(static_cast<std::size_t>(bytesPerSecond / 100), 'x');
    std::vector<char> drain(64 * 1024);
    const auto start = steady_clock::now();
    const int steps = static_cast<int>(seconds * 100);
    for (int i = 1; i <= steps; ++i) {
        std::this_thread::sleep_until(start + i * 10ms);
        [[maybe_unused]] const ssize_t written = ::write(pty.master(), step.data(), step.size());
        int waiting = 0;
        if (i % 10 == 0 && ::ioctl(pty.slave(), FIONREAD, &waiting) == 0 && waiting > 0)
            [[maybe_unused]] const ssize_t read = ::read(pty.slave(), drain.data(), drain.size());
    }
    done = true;
    watcher.join();
    return watcherSeconds / seconds * 100;
}
