// How fast a window in console mode takes a flood of coloured text (SGR sequences every few
// characters, cursor moves, line feeds) into a console of 120x40 cells, under the offscreen
// platform with the real event loop: MB/s from the first byte written to the last one heard,
// three runs, the median with the lowest and highest. Nothing may be lost: every byte reaches
// the stream's consumers and the console's last screen is the one the flood ends with. Goal
// 20 MB/s; exits 1 when missed or when anything was lost. Before it a key's way to the wire
// (goal 5 ms) and 10 s of a paced stream (goal 0.6 % of a core), after it a full scroll-back's
// memory (goal 40 MiB). Usage: bench_console [MiB per run]
#include "app/console/ConsoleEmulator.h"
#include "app/stream/StreamConsumer.h"
#include "app/window/console/ConsoleView.h"
#include "bench/BenchTerminal.h"
#include "bench/ConsoleCosts.h"
#include "bench/Spread.h"

#include <QAction>
#include <QEventLoop>
#include <QScrollBar>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double goalMBps = 20.0;

// Counts what the window's stream hands on, as any other consumer would hear it.
struct Counter : StreamConsumer {
    std::uint64_t bytes = 0;
    void received(std::string_view data, const Moment&) override { bytes += data.size(); }
    void portEvent(const PortEvent&) override {}
};

std::string flood(std::size_t size, const std::string& ending)
{
    static const char* const words[] = {"kernel", "eth0", "link", "up", "usb", "1-1:", "new", "device", "ok", "42"};
    std::string text;
    text.reserve(size + 64);
    for (unsigned line = 0; text.size() < size; ++line) {
        if (line % 50 == 0)
            text += "\x1b[" + std::to_string(1 + line % 40) + ";" + std::to_string(1 + line % 60) + "H";
        for (unsigned word = 0; word < 12; ++word) {
            text += "\x1b[" + std::to_string(31 + (line + word) % 7) + (word % 3 == 0 ? ";1m" : "m");
            text += words[(line * 7 + word) % 10];
            text += "\x1b[0m ";
        }
        text += "\x1b[38;5;" + std::to_string(line % 256) + "m#" + std::to_string(line) + "\x1b[m\r\n";
    }
    return text + ending;
}

void writeAll(int master, const std::string& data)
{
    std::string_view rest(data);
    while (!rest.empty()) {
        const ssize_t written = ::write(master, rest.data(), std::min<std::size_t>(rest.size(), 64 * 1024));
        if (written > 0) {
            rest.remove_prefix(static_cast<std::size_t>(written));
        } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
            std::fprintf(stderr, "write to pty master: %s\n", std::strerror(errno));
            return;
        } else {
            pollfd entry{master, POLLOUT, 0};
            ::poll(&entry, 1, 10);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 32;
    BenchTerminal terminal(argv[0]);
    terminal.openWindow();
    for (QAction* action : terminal.window().findChildren<QAction*>())
        if (action->text() == "&Console Mode")
            action->trigger();
    auto* view = terminal.window().findChild<ConsoleView*>();
    if (!view || !view->isVisible()) {
        std::fprintf(stderr, "no console\n");
        return 1;
    }
    const QSize cell = view->cellSize();
    view->setFixedSize(120 * cell.width() + view->findChild<QScrollBar*>()->sizeHint().width(), 40 * cell.height());
    QApplication::processEvents();
    const ConsoleEmulator& screen = view->emulator();
    std::FILE* out = terminal.report();
    std::fprintf(out, "console %dx%d cells, %zu MiB of coloured text per run\n", screen.cols(), screen.rows(), mib);
    if (screen.cols() != 120 || screen.rows() != 40)
        return 1;

    // A key's way to the wire, before the floods fill anything.
    view->setFocus();
    QApplication::processEvents();
    const consolebench::KeyWaits keys = consolebench::keyToWire(*view, terminal.master(), 100);
    std::fprintf(out, "a key to the wire: median %.2f ms, worst %.2f ms (goal 5), %d of %d keys heard\n", keys.medianMs,
                 keys.worstMs, keys.heard, keys.keys);
    const bool keysMet = keys.heard == keys.keys && keys.worstMs <= 5;

    // Coloured log lines at 115200 baud, as a board's console prints them.
    const double paced = consolebench::pacedPercent(terminal.master(), flood(64 * 1024, ""), 11520, 10);
    std::fprintf(out, "11,520 B/s of coloured log lines: %.2f %% of a core for the whole program (goal 0.6)\n", paced);
    // The window reads a slow stream on its 0.1 s ticks: the paced stream's last bytes are
    // still coming in, and must not be counted with the first flood's.
    QTest::qWait(300);

    Counter counter;
    terminal.document().stream().add(counter);
    std::vector<double> rates;
    bool lost = false;
    for (int run = 0; run < 3; ++run) {
        const std::string ending = "\x1b[2J\x1b[Hend of run " + std::to_string(run);
        const std::string data = flood(mib * 1024 * 1024, ending);
        const std::uint64_t before = counter.bytes;
        const auto start = Clock::now();
        std::thread writer(writeAll, terminal.master(), std::cref(data));
        // The window's own event loop, looked at every 5 ms: a loop of processEvents calls would
        // spin on the thread the console runs on and take its time.
        QEventLoop waiting;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (counter.bytes - before >= data.size() || Clock::now() - start >= std::chrono::seconds(120))
                waiting.quit();
        });
        look.start(5);
        waiting.exec();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        writer.join();
        QTest::qWait(3 * ConsoleView::frameInterval);
        const bool whole =
            counter.bytes - before == data.size() && screen.rowText(0) == "end of run " + std::to_string(run);
        lost = lost || !whole;
        rates.push_back(static_cast<double>(data.size()) / 1e6 / seconds);
        std::fprintf(out, "run %d: %.1f MB in %.2f s, %.1f MB/s, %s\n", run + 1, static_cast<double>(data.size()) / 1e6,
                     seconds, rates.back(), whole ? "nothing lost" : "LOST BYTES");
    }
    terminal.document().stream().remove(counter);
    const historybench::Spread figures = historybench::spread(rates);
    std::fprintf(out, "flood into the console: %s MB/s (goal %.0f), scroll-back %d lines\n",
                 historybench::shown(figures, 1).c_str(), goalMBps, screen.scrollbackLines());
    const double scrollbackMiB = consolebench::fullScrollbackMiB(ConsoleEmulator::defaultScrollback);
    std::fprintf(out, "a full scroll-back of %zu lines, every cell coloured: %.1f MiB of heap (goal 40)\n",
                 ConsoleEmulator::defaultScrollback, scrollbackMiB);
    return figures.median >= goalMBps && !lost && keysMet && paced <= 0.6 && scrollbackMiB <= 40 ? 0 : 1;
}
