// The whole terminal sending a large file as the user starts it (Send File ▸ As It Is…) to a far
// end that reads as fast as it can: the rate, whether every byte arrived in order, resident
// memory across the send, and how long a key pressed in the send editor meanwhile waits for
// the window (a key every 20 ms, posted as the platform posts input, timed until the editor
// has it). Goals: 20 MB/s, memory flat within 2 MiB, every key within 16 ms; exit 1 on a miss.
// Usage: bench_qt_send_file [--megabytes N] [--runs N]   (defaults 100, 3)
#include "app/terminal/MyDocument.h"
#include "app/terminal/Sender.h"
#include "bench/BenchTerminal.h"
#include "bench/ResidentMemory.h"
#include "bench/Spread.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/TextEditorWidget.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The byte at each offset of the file: a pattern no shift or drop would keep.
char patternAt(std::uint64_t at)
{
    return static_cast<char>((at * 2654435761u) >> 13);
}

// Times each key from its posting to the editor's hearing of it.
class KeyTimer : public QObject {
public:
    explicit KeyTimer(QObject* editor) : editor_(editor) { editor->installEventFilter(this); }
    void post()
    {
        posted_.push_back(Clock::now());
        QCoreApplication::postEvent(editor_, new QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier));
    }
    std::vector<double> waitsMs() const { return waits_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == editor_ && event->type() == QEvent::KeyPress && waits_.size() < posted_.size())
            waits_.push_back(std::chrono::duration<double, std::milli>(Clock::now() - posted_[waits_.size()]).count());
        return false;
    }

private:
    QObject* editor_;
    std::vector<Clock::time_point> posted_;
    std::vector<double> waits_;
};

struct Run {
    double megabytesPerSecond = 0;
    double residentGrowth = 0;
    double worstKeyMs = 0;
    double medianKeyMs = 0;
    bool intact = false;
};

Run sendOnce(BenchTerminal& terminal, const std::string& path, std::uint64_t size)
{
    std::atomic<bool> done = false;
    std::atomic<std::uint64_t> heard = 0;
    std::atomic<bool> intact = true;
    std::thread far([&] {
        std::vector<char> buffer(64 * 1024);
        while (!done || heard < size) {
            pollfd fd{terminal.master(), POLLIN, 0};
            if (::poll(&fd, 1, 50) <= 0) {
                if (done)
                    break;
                continue;
            }
            const ssize_t got = ::read(terminal.master(), buffer.data(), buffer.size());
            for (ssize_t i = 0; i < got; ++i)
                if (buffer[static_cast<std::size_t>(i)] != patternAt(heard + static_cast<std::uint64_t>(i)))
                    intact = false;
            if (got > 0)
                heard += static_cast<std::uint64_t>(got);
        }
    });
    KeyTimer keys(terminal.window().sendEditor());
    QTimer presses;
    QObject::connect(&presses, &QTimer::timeout, [&] { keys.post(); });
    const double before = residentMiB();
    double peak = before;
    const auto start = Clock::now();
    terminal.document().sender().sendFile(path);
    presses.start(20);
    while (heard < size && Clock::now() - start < std::chrono::seconds(120)) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        peak = std::max(peak, residentMiB());
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    presses.stop();
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
    done = true;
    far.join();
    std::vector<double> waits = keys.waitsMs();
    Run run;
    run.megabytesPerSecond = static_cast<double>(heard) / 1e6 / seconds;
    run.residentGrowth = peak - before;
    run.intact = intact && heard == size;
    if (!waits.empty()) {
        std::sort(waits.begin(), waits.end());
        run.worstKeyMs = waits.back();
        run.medianKeyMs = waits[waits.size() / 2];
    }
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    std::uint64_t megabytes = 100;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--megabytes") == 0)
            megabytes = std::strtoull(argv[i + 1], nullptr, 10);
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TempDir dir;
    const std::string path = dir.path() + "/send.bin";
    const std::uint64_t size = megabytes << 20;
    {
        std::ofstream file(path, std::ios::binary);
        std::vector<char> block(1 << 20);
        for (std::uint64_t at = 0; at < size; at += block.size()) {
            for (std::size_t i = 0; i < block.size(); ++i)
                block[i] = patternAt(at + i);
            file.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }
    BenchTerminal terminal(argv[0]);
    terminal.openWindow();
    std::vector<double> rates, growths, worst, median;
    bool good = true;
    for (int i = 0; i < runs; ++i) {
        const Run run = sendOnce(terminal, path, size);
        rates.push_back(run.megabytesPerSecond);
        growths.push_back(run.residentGrowth);
        worst.push_back(run.worstKeyMs);
        median.push_back(run.medianKeyMs);
        good = good && run.intact && run.megabytesPerSecond >= 20 && run.residentGrowth <= 2 && run.worstKeyMs <= 16;
        std::fprintf(terminal.report(), "run %d: %.1f MB/s, resident +%.2f MiB, key median %.2f ms, worst %.2f ms, %s\n",
                     i + 1, run.megabytesPerSecond, run.residentGrowth, run.medianKeyMs, run.worstKeyMs,
                     run.intact ? "every byte in order" : "BYTES LOST OR WRONG");
    }
    using historybench::shown;
    using historybench::spread;
    std::fprintf(terminal.report(),
                 "%llu MiB file, %d runs, median (lowest-highest): %s MB/s (goal 20), resident growth %s MiB (goal 2), "
                 "a key's wait: median %s ms, worst %s ms (goal 16)\n",
                 static_cast<unsigned long long>(megabytes), runs, shown(spread(rates), 1).c_str(),
                 shown(spread(growths)).c_str(), shown(spread(median)).c_str(), shown(spread(worst)).c_str());
    std::fprintf(terminal.report(), good ? "every goal met\n" : "a goal was missed\n");
    return good ? 0 : 1;
}
