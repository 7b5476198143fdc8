// The whole terminal repeating a message every 10 ms, as a user starts it from the window,
// to a far end that answers "OK" to every send, so the receive view redraws as well: CPU of
// the program (the far end's own thread not counted) as a share of one core, and every send
// counted is on the wire.
// Usage: bench_qt_repeat [--seconds S] [--interval MS] [--answer yes|no] (defaults 20, 10, yes)
#include "app/send/LineEnding.h"
#include "app/window/SendTools.h"
#include "bench/BenchTerminal.h"
#include "bench/CpuTime.h"
#include "bench/RepeatWriteFloor.h"
#include "toolkit/qt/TextEditorWidget.h"

#include <QEventLoop>
#include <QTimer>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    int seconds = 20;
    int interval = 10;
    bool answer = true;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--interval") == 0)
            interval = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--answer") == 0)
            answer = std::strcmp(argv[i + 1], "no") != 0;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    BenchTerminal terminal(argv[0]);
    // For scale: what an empty timer at the same interval costs this process before the window
    // exists, the wake-ups alone.
    double emptyTimer = 0;
    {
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [] {});
        tick.start(interval);
        QEventLoop idle;
        QTimer::singleShot(std::min(seconds, 5) * 1000, Qt::PreciseTimer, &idle, &QEventLoop::quit);
        const double before = processCpuSeconds();
        idle.exec();
        emptyTimer = (processCpuSeconds() - before) / std::min(seconds, 5) * 100;
    }
    const double floor = repeatWriteFloorPercent(std::min(seconds, 5), std::chrono::milliseconds(interval), "AT\r");
    terminal.openWindow();
    terminal.document().sender().setLineEnding(LineEnding::Cr);
    QTest::keyClicks(terminal.window().sendEditor(), "AT");

    // The far end answers each "AT\r" it reads; its CPU is its own thread's and left out.
    std::atomic<bool> done = false;
    std::atomic<std::uint64_t> heard = 0;
    std::atomic<double> farCpu = 0;
    std::thread far([&] {
        const double before = threadCpuSeconds();
        std::string pending;
        char buffer[4096];
        while (!done) {
            pollfd fd{terminal.master(), POLLIN, 0};
            if (::poll(&fd, 1, 50) <= 0)
                continue;
            const ssize_t got = ::read(terminal.master(), buffer, sizeof buffer);
            if (got <= 0)
                continue;
            pending.append(buffer, static_cast<std::size_t>(got));
            for (std::size_t at; (at = pending.find("AT\r")) != std::string::npos;) {
                pending.erase(0, at + 3);
                ++heard;
                if (answer)
                    (void)!::write(terminal.master(), "OK\r\n", 4);
            }
        }
        farCpu = threadCpuSeconds() - before;
    });

    auto* tools = terminal.window().findChild<SendTools*>();
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();
    const double cpuBefore = processCpuSeconds();
    const auto started = std::chrono::steady_clock::now();
    tools->startRepeat(interval);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    terminal.document().sender().stop();
    const double cpuAfter = processCpuSeconds();
    // CPU is shared out over the time that passed, whatever the loop's timer did.
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const std::uint64_t counted = terminal.document().sender().repeatCount();
    QEventLoop drain;
    QTimer::singleShot(300, &drain, &QEventLoop::quit);
    drain.exec();
    done = true;
    far.join();
    const double cpu = (cpuAfter - cpuBefore - farCpu) / elapsed * 100;
    std::fprintf(terminal.report(),
                 "repeat every %d ms for %d s, %s: %llu sends counted, %llu on the wire, CPU %.2f %% of a core "
                 "(for scale: an empty %d ms Qt timer %.2f %%, a bare thread writing at each tick %.2f %%)\n",
                 interval, seconds, answer ? "answered" : "unanswered", static_cast<unsigned long long>(counted),
                 static_cast<unsigned long long>(heard.load()), cpu, interval, emptyTimer, floor);
    return counted == heard && cpu <= 1.0 ? 0 : 1;
}
