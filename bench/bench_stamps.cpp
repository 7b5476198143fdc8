// How well a received history's stamps tell when bytes came. A headless document reads a pty
// whose far end sends 64-byte lines paced at 115200 baud, in 16-byte pieces as a UART's FIFO
// hands them over, and notes when it wrote each line's first piece. Every eighth line comes
// in two halves with an idle gap of 10-15 ms between them and no line feed, so a history
// that ends lines after 10 ms idle must cut it there. The history hears the document's
// stream, as a window's does. Figures: how late each line's stamp is against its first
// write (median, 95th percentile, worst), the gaps found and any other cuts (only where the
// far end itself stalled for 9 ms or more, a real gap, may a line be cut), and the
// process's CPU (reading, the arrival clock, the history) as a share of a core: 720 arrivals
// a second are many more wake-ups than bench_qt_program's paced writer makes, which is where
// the program's paced CPU goal is measured. Goals: p95 <= 2 ms, every gap found, no other
// cut. Exits 1 when one is missed. Usage: bench_stamps [--runs N (3)] [--seconds S (10)]
#include "app/history/ReceivedHistory.h"
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "bench/CpuTime.h"
#include "bench/PtySerialDevice.h"
#include "bench/QuietStdout.h"
#include "bench/Spread.h"
#include "toolkit/RunLoop.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using historybench::shown;
using historybench::spread;
using namespace std::chrono_literals;

constexpr double bytesPerSecond = 11520.0;
constexpr std::size_t lineBytes = 64;
constexpr std::size_t pieceBytes = 16;
constexpr auto idleGap = 10ms;

// Line n's text: "000123a " then filler; a split line's second half starts "000123b ".
std::string lineText(unsigned n)
{
    char head[16];
    std::snprintf(head, sizeof head, "%06ua ", n);
    std::string text = head;
    while (text.size() < lineBytes - 1)
        text += static_cast<char>('A' + (n + text.size()) % 26);
    return text + '\n';
}

bool splitLine(unsigned n)
{
    return n % 8 == 7;
}

struct Sent {
    std::map<std::string, Clock::time_point> firstWrite; // by a line's first 7 bytes
    unsigned gaps = 0;
    unsigned stalls = 0; // pieces of one half that came 9 ms or more apart: real gaps, not meant
    std::uint64_t bytes = 0;
    double cpu = 0; // the far end's own thread
};

// The far end: writes on a schedule of its own, at 115200 baud on average.
void farEnd(int master, double seconds, Sent& sent)
{
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    const auto pieceTime = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(pieceBytes) / bytesPerSecond));
    auto next = start;
    auto last = start;
    const double cpuStart = threadCpuSeconds();
    for (unsigned n = 0; Clock::now() < end; ++n) {
        std::string line = lineText(n);
        if (splitLine(n))
            line.insert(lineBytes / 2, std::string(line.substr(0, 6)) + "b ");
        for (std::size_t at = 0; at < line.size(); at += pieceBytes) {
            const bool secondHalf = splitLine(n) && at == lineBytes / 2;
            if (secondHalf) {
                next = Clock::now() + idleGap + std::chrono::milliseconds(n % 6);
                ++sent.gaps;
            }
            std::this_thread::sleep_until(next);
            const auto now = Clock::now();
            if (at != 0 && !secondHalf && now - last >= 9ms)
                ++sent.stalls;
            last = now;
            if (at == 0 || secondHalf)
                sent.firstWrite.emplace(line.substr(at, 7), now);
            const std::string piece = line.substr(at, pieceBytes);
            if (::write(master, piece.data(), piece.size()) != static_cast<ssize_t>(piece.size()))
                throw std::runtime_error("the far end could not write");
            sent.bytes += piece.size();
            next += pieceTime;
        }
    }
    sent.cpu = threadCpuSeconds() - cpuStart;
}

struct Run {
    std::vector<double> lateness; // ms, a line's stamp after its first write
    unsigned gapsFound = 0;
    unsigned wrongCuts = 0;
    unsigned gaps = 0;
    unsigned stalls = 0;
    double cpuPercent = 0;
    bool complete = false;
};

Run runOnce(double seconds)
{
    const PtySerialDevice pty;
    TerminalControls controls;
    auto document = std::make_unique<MyDocument>(controls);
    controls.connect(*document);
    controls.readToggle.userSelectSegment(1);
    if (!document->isReading())
        throw std::runtime_error("the document did not start reading: " + document->statusText());
    ReceivedHistory::Settings settings;
    settings.idleGap = idleGap;
    ReceivedHistory history(settings);
    document->stream().add(history);

    Sent sent;
    const double cpuStart = processCpuSeconds();
    const auto start = Clock::now();
    std::thread writer([&] { farEnd(pty.master(), seconds, sent); });
    while (Clock::now() - start < std::chrono::duration<double>(seconds))
        RunLoop::currentRunLoop().runUntil(Clock::now() + 20ms);
    writer.join();
    RunLoop::currentRunLoop().runUntil(Clock::now() + 300ms);
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    Run run;
    run.cpuPercent = 100 * (processCpuSeconds() - cpuStart - sent.cpu) / elapsed;
    run.gaps = sent.gaps;
    run.stalls = sent.stalls;
    document->stream().remove(history);

    const HistoryStore& store = history.store();
    std::uint64_t bytes = 0;
    store.forEachLine(store.firstLine(), store.endLine(), [&](const HistoryLine& line) {
        if (line.marker)
            return true;
        bytes += line.bytes.size();
        const std::string key(line.bytes.substr(0, 7));
        const auto write = sent.firstWrite.find(key);
        if (write == sent.firstWrite.end() || line.bytes.size() < 7) {
            ++run.wrongCuts; // a line that starts where no write began one
            return true;
        }
        run.lateness.push_back(std::chrono::duration<double, std::milli>(line.at.steady - write->second).count());
        if (key.back() == 'b')
            ++run.gapsFound;
        return true;
    });
    run.complete = bytes == sent.bytes;
    return run;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()))];
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 3;
    double seconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--seconds")
            seconds = std::atof(argv[i + 1]);
    }
    try {
        const QuietStdout quiet;
        std::vector<double> median, p95, worst, cpu;
        unsigned found = 0, gaps = 0, wrong = 0, stalls = 0;
        bool complete = true;
        for (int i = 0; i < runs; ++i) {
            const Run run = runOnce(seconds);
            median.push_back(percentile(run.lateness, 0.5));
            p95.push_back(percentile(run.lateness, 0.95));
            worst.push_back(percentile(run.lateness, 1));
            cpu.push_back(run.cpuPercent);
            found += run.gapsFound;
            gaps += run.gaps;
            wrong += run.wrongCuts;
            stalls += run.stalls;
            complete = complete && run.complete;
        }
        std::fprintf(stderr, "Stamps of 64-byte lines at 115200 baud, %d runs of %.0f s:\n", runs, seconds);
        std::fprintf(stderr, "  a line's stamp after its first write: median %s ms, p95 %s ms, worst %s ms\n",
                     shown(spread(median), 3).c_str(), shown(spread(p95), 3).c_str(), shown(spread(worst), 2).c_str());
        std::fprintf(stderr,
                     "  idle gaps of 10-15 ms found: %u of %u; other cuts: %u (the far end stalled %u times); "
                     "bytes %s\n",
                     found, gaps, wrong, stalls, complete ? "all there" : "MISSING");
        std::fprintf(stderr, "  CPU of the reading process: %s %% of a core\n", shown(spread(cpu), 3).c_str());
        const bool met = spread(p95).median <= 2 && found == gaps && wrong <= stalls && complete;
        std::fprintf(stderr, "%s.\n", met ? "Goals met" : "A goal was MISSED");
        return met ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_stamps: %s\n", error.what());
        return 2;
    }
}
