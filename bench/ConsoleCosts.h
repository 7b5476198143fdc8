// Costs of console mode beside its speed. A key's way to the wire: keys posted to the console
// as the platform posts input, each timed until the far end reads its byte from the pty. The
// CPU of a paced stream. And the memory a full scroll-back takes: the heap in use (mallinfo2)
// before and after an emulator of 120x40 takes more lines than its scroll-back keeps.
#pragma once

#include "app/console/ConsoleEmulator.h"
#include "bench/CpuTime.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QKeyEvent>
#include <QWidget>

#include <malloc.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace consolebench {

struct KeyWaits {
    double medianMs = 0, worstMs = 0;
    int keys = 0, heard = 0;
};

// `count` keys ('a'), one every 20 ms, to `console` (which must have the focus).
inline KeyWaits keyToWire(QWidget& console, int master, int count)
{
    using Clock = std::chrono::steady_clock;
    std::vector<Clock::time_point> posted(static_cast<std::size_t>(count));
    std::vector<Clock::time_point> arrived(static_cast<std::size_t>(count));
    std::atomic<int> heard = 0;
    std::atomic<bool> done = false;
    std::thread far([&] {
        char buffer[256];
        while (!done && heard < count) {
            pollfd fd{master, POLLIN, 0};
            if (::poll(&fd, 1, 20) <= 0)
                continue;
            const auto now = Clock::now();
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            for (ssize_t i = 0; i < got && heard < count; ++i)
                if (buffer[i] == 'a')
                    arrived[static_cast<std::size_t>(heard++)] = now;
        }
    });
    for (int i = 0; i < count; ++i) {
        const auto due = Clock::now() + std::chrono::milliseconds(20);
        posted[static_cast<std::size_t>(i)] = Clock::now();
        QCoreApplication::postEvent(&console, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
        QCoreApplication::postEvent(&console, new QKeyEvent(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a"));
        while (Clock::now() < due)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const auto give = Clock::now() + std::chrono::seconds(1);
    while (heard < count && Clock::now() < give)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    done = true;
    far.join();
    KeyWaits waits;
    waits.keys = count;
    waits.heard = heard;
    std::vector<double> ms;
    for (int i = 0; i < heard; ++i)
        ms.push_back(std::chrono::duration<double, std::milli>(arrived[static_cast<std::size_t>(i)] -
                                                               posted[static_cast<std::size_t>(i)])
                         .count());
    if (!ms.empty()) {
        std::sort(ms.begin(), ms.end());
        waits.medianMs = ms[ms.size() / 2];
        waits.worstMs = ms.back();
    }
    return waits;
}

// The whole process's CPU (less the writer thread's) as % of one core while `text` goes into
// the pty at `bytesPerSecond` in 10 ms steps for `seconds`, the window running its event loop.
inline double pacedPercent(int master, const std::string& text, double bytesPerSecond, double seconds)
{
    using Clock = std::chrono::steady_clock;
    std::atomic<bool> done = false;
    double writerSeconds = 0;
    std::thread writer([&] {
        const double started = threadCpuSeconds();
        const auto start = Clock::now();
        std::size_t sent = 0;
        for (int step = 1; !done; ++step) {
            std::this_thread::sleep_until(start + step * std::chrono::milliseconds(10));
            const auto owed = static_cast<std::size_t>(step * bytesPerSecond / 100);
            while (sent < owed) {
                const std::size_t at = sent % text.size();
                const ssize_t written = ::write(master, text.data() + at, std::min(owed - sent, text.size() - at));
                if (written <= 0)
                    break;
                sent += static_cast<std::size_t>(written);
            }
        }
        writerSeconds = threadCpuSeconds() - started;
    });
    const double before = processCpuSeconds();
    const auto start = Clock::now();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    done = true;
    writer.join();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    return (processCpuSeconds() - before - writerSeconds) / elapsed * 100;
}

// MiB of heap the emulator holds once its scroll-back is full, over what it held empty.
inline double fullScrollbackMiB(std::size_t lines)
{
    const auto inUse = [] { return static_cast<double>(::mallinfo2().uordblks) / (1024.0 * 1024.0); };
    const double before = inUse();
    auto emulator = std::make_unique<ConsoleEmulator>(40, 120, lines);
    std::string line;
    for (int col = 0; col < 120; ++col)
        line += "\x1b[38;5;" + std::to_string(col * 2 % 256) + "m" + static_cast<char>('a' + col % 26);
    line += "\r\n";
    std::string batch;
    for (int i = 0; i < 100; ++i)
        batch += line;
    while (static_cast<std::size_t>(emulator->scrollbackLines()) < lines)
        emulator->feed(batch);
    for (int i = 0; i < 10; ++i) // and on: a full scroll-back must stay the size it is
        emulator->feed(batch);
    return inUse() - before;
}

} // namespace consolebench
