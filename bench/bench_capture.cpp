// A headless terminal document capturing a pty's stream to a file while the toolkit's event
// loop runs it. Flood: the far end sends as fast as the pty takes it, once reading alone and
// once with a raw capture, which is then compared byte for byte with what was sent. Paced: 115200
// baud (11,520 B/s) of text lines, reading alone and with a text capture with timestamps.
// Goals: every byte kept and the file identical; flood >= 20 MB/s; a raw capture adds at most
// 20 % to the CPU per byte of reading alone, a text capture at most 0.2 % of one core; memory
// stays flat through the flood. Exits 1 on any loss or mismatch or a goal missed.
// Usage: bench_capture [--flood-seconds S] [--megabytes N] [--paced-seconds S] [--dir FOLDER]
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "bench/CpuTime.h"
#include "bench/PtySerialDevice.h"
#include "bench/QuietStdout.h"
#include "devices/Device.h"
#include "tests/support/TempDir.h"
#include "toolkit/RunLoop.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;
using namespace std::chrono_literals;

constexpr double baudBytesPerSecond = 11520.0;
constexpr double floodGoal = 20e6;
constexpr double rawCpuGoal = 1.20;      // capture CPU per byte / reading alone
constexpr double textCpuGoalPoints = 0.2; // % of one core
constexpr long rssGoalKiB = 4 * 1024;    // growth of the second half of the flood over the first

struct Plan {
    double floodSeconds = 5;
    std::uint64_t floodBytes = 0; // 0: as many as the time allows
    double pacedSeconds = 10;
    std::string dir;
};

unsigned char streamByte(std::uint64_t i)
{
    std::uint64_t x = i * 0x9E3779B97F4A7C15ull;
    x ^= x >> 29;
    return static_cast<unsigned char>(x >> 56);
}

// A log a device might print: 64-byte lines.
unsigned char lineByte(std::uint64_t i)
{
    const unsigned column = static_cast<unsigned>(i % 64);
    return column == 63 ? '\n' : static_cast<unsigned char>(' ' + (i / 64 + column) % 95);
}

long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// The far end, on a thread of its own; measures its own CPU so the figures can leave it out.
class FarEnd {
public:
    FarEnd(int master, bool paced, double seconds, std::uint64_t bytes)
        : master_(master), paced_(paced), bytes_(bytes),
          end_(Clock::now() + std::chrono::duration_cast<Clock::duration>(Seconds(seconds)))
    {
        thread_ = std::thread([this] { run(); });
    }
    ~FarEnd() { join(); }
    void join()
    {
        if (thread_.joinable())
            thread_.join();
    }
    std::uint64_t sent() const { return sent_; }
    double cpuSeconds() const { return cpu_; }

private:
    void run()
    {
        const double cpuStart = threadCpuSeconds();
        const auto start = Clock::now();
        unsigned char buffer[4096];
        while (Clock::now() < end_ && (bytes_ == 0 || sent_ < bytes_)) {
            std::uint64_t want = sizeof buffer;
            if (paced_) {
                std::this_thread::sleep_for(2ms);
                want = static_cast<std::uint64_t>(Seconds(Clock::now() - start).count() * baudBytesPerSecond) - sent_;
            } else if (bytes_ != 0) {
                want = std::min<std::uint64_t>(want, bytes_ - sent_);
            }
            want = std::min<std::uint64_t>(want, sizeof buffer);
            for (std::uint64_t i = 0; i < want; ++i)
                buffer[i] = paced_ ? lineByte(sent_ + i) : streamByte(sent_ + i);
            const ssize_t written = want ? ::write(master_, buffer, want) : 0;
            if (written > 0)
                sent_ += static_cast<std::uint64_t>(written);
            else if (written < 0 && errno != EAGAIN && errno != EINTR)
                break;
            else if (!paced_) {
                pollfd entry{master_, POLLOUT, 0};
                ::poll(&entry, 1, 10);
            }
        }
        cpu_ = threadCpuSeconds() - cpuStart;
    }

    int master_;
    bool paced_;
    std::uint64_t bytes_;
    Clock::time_point end_;
    std::atomic<std::uint64_t> sent_{0};
    std::atomic<double> cpu_{0};
    std::thread thread_;
};

struct Run {
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    std::uint64_t reads = 0; // deliveries from the port: the reader's cost is mostly per read
    std::uint64_t fileMismatch = 0; // bytes of the file that differ from the stream, or are missing or extra
    double seconds = 0;
    double cpuSeconds = 0;       // the whole process but the far end
    double readerCpuSeconds = 0; // the main thread alone: reading, ticks, handing bytes to the capture
    long rssFirstHalfKiB = 0;  // the most resident memory in the first half of the run
    long rssSecondHalfKiB = 0; // and in the second
    long rssGrowthKiB() const { return std::max(0L, rssSecondHalfKiB - rssFirstHalfKiB); }
    std::string failure;
};

// Compares a raw capture with the flood's stream; answers the differing, missing or extra bytes.
std::uint64_t compareFlood(const std::string& path, std::uint64_t sent)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    std::uint64_t offset = 0, wrong = 0;
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::uint64_t>(in.gcount());
        for (std::uint64_t i = 0; i < got; ++i)
            if (static_cast<unsigned char>(block[i]) != streamByte(offset + i))
                ++wrong;
        offset += got;
    }
    return wrong + (offset > sent ? offset - sent : sent - offset);
}

Run runOnce(bool flood, const std::string& capturePath, Capture::Format format, const Plan& plan)
{
    const PtySerialDevice pty;
    TerminalControls controls;
    auto document = std::make_unique<MyDocument>(controls);
    controls.connect(*document);
    controls.readToggle.userSelectSegment(1);
    Device* device = document->getEnabledDevice();
    if (!device || !document->isReading())
        throw std::runtime_error("the document did not start reading: " + document->statusText());
    if (!capturePath.empty() && !document->startCapture(capturePath, format).empty())
        throw std::runtime_error("cannot capture: " + document->statusText());

    Run run;
    device->addListener(&run, [&run](std::string_view, const Moment&) { ++run.reads; });
    RunLoop& loop = RunLoop::currentRunLoop();
    const double cpuStart = processCpuSeconds();
    const double readerStart = threadCpuSeconds();
    const auto start = Clock::now();
    FarEnd far(pty.master(), !flood, flood ? plan.floodSeconds : plan.pacedSeconds, flood ? plan.floodBytes : 0);
    auto nextSample = start + 250ms;
    auto lastCount = device->getReceivedSinceOpen();
    auto lastChange = Clock::now();
    // Until the far end is done and the pty is empty; a quiet half second means all is in.
    for (;;) {
        loop.runUntil(Clock::now() + 10ms);
        const auto now = Clock::now();
        if (now >= nextSample) {
            const bool firstHalf = flood && plan.floodBytes
                                       ? device->getReceivedSinceOpen() < plan.floodBytes / 2
                                       : Seconds(now - start).count() < (flood ? plan.floodSeconds : plan.pacedSeconds) / 2;
            long& most = firstHalf ? run.rssFirstHalfKiB : run.rssSecondHalfKiB;
            most = std::max(most, residentKiB());
            nextSample += 250ms;
        }
        const auto count = device->getReceivedSinceOpen();
        if (count != lastCount) {
            lastCount = count;
            lastChange = now;
        }
        const bool done = far.cpuSeconds() > 0 || now > start + Seconds(flood ? plan.floodSeconds : plan.pacedSeconds) + 100ms;
        if (done && (count >= far.sent() || now - lastChange > 500ms))
            break;
    }
    run.seconds = Seconds(lastChange - start).count();
    far.join();
    if (const Capture* capture = document->capture(); !capture && !capturePath.empty())
        run.failure = document->statusText();
    run.readerCpuSeconds = threadCpuSeconds() - readerStart;
    device->removeListener(&run);
    document->stopCapture(); // the last bytes written and synced: part of the cost
    run.cpuSeconds = processCpuSeconds() - cpuStart - far.cpuSeconds();
    run.sent = far.sent();
    run.received = device->getReceivedSinceOpen();
    if (flood && !capturePath.empty() && format == Capture::Format::Raw)
        run.fileMismatch = compareFlood(capturePath, run.sent);
    return run;
}

Plan parseArguments(int argc, char** argv)
{
    Plan plan;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--flood-seconds")
            plan.floodSeconds = std::atof(value);
        else if (option == "--megabytes")
            plan.floodBytes = static_cast<std::uint64_t>(std::atof(value) * 1e6), plan.floodSeconds = 3600;
        else if (option == "--paced-seconds")
            plan.pacedSeconds = std::atof(value);
        else if (option == "--dir")
            plan.dir = value;
        else
            argc = -1;
    }
    if (argc < 0 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: %s [--flood-seconds S (5)] [--megabytes N] [--paced-seconds S (10)] [--dir FOLDER]\n",
                     argv[0]);
        std::exit(2);
    }
    return plan;
}

} // namespace

int main(int argc, char** argv)
{
    const Plan plan = parseArguments(argc, argv);
    const TempDir scratch;
    const std::string folder = plan.dir.empty() ? scratch.path() : plan.dir;
    bool kept = true;
    bool goals = true;
    try {
        const QuietStdout quiet;
        std::fprintf(stderr, "CPU: the whole process but the far end's thread (reading, ticks, capture writer, log).\n\n");

        const Run alone = runOnce(true, "", Capture::Format::Raw, plan);
        const std::string rawPath = folder + "/flood.raw";
        const Run raw = runOnce(true, rawPath, Capture::Format::Raw, plan);
        std::remove(rawPath.c_str());
        const auto perMB = [](const Run& r, double cpu) { return cpu / (static_cast<double>(r.received) / 1e6) * 1e3; };
        std::fprintf(stderr, "%-14s %12s %12s %6s %9s %8s %10s %10s %8s %8s %9s %9s\n", "flood", "sent", "received", "lost",
                     "mismatch", "MB/s", "CPU ms/MB", "reader", "B/read", "µs/read", "RSS 1st", "RSS 2nd");
        for (const auto& [name, r] : {std::pair{"reading alone", &alone}, std::pair{"raw capture", &raw}}) {
            std::fprintf(stderr, "%-14s %12llu %12llu %6llu %9llu %8.1f %10.2f %10.2f %8.0f %8.2f %7ldK %7ldK %s\n", name,
                         static_cast<unsigned long long>(r->sent), static_cast<unsigned long long>(r->received),
                         static_cast<unsigned long long>(r->sent - std::min(r->sent, r->received)),
                         static_cast<unsigned long long>(r->fileMismatch), static_cast<double>(r->received) / r->seconds / 1e6,
                         perMB(*r, r->cpuSeconds), perMB(*r, r->readerCpuSeconds),
                         static_cast<double>(r->received) / static_cast<double>(std::max<std::uint64_t>(r->reads, 1)),
                         r->readerCpuSeconds * 1e6 / static_cast<double>(std::max<std::uint64_t>(r->reads, 1)), r->rssFirstHalfKiB, r->rssSecondHalfKiB, r->failure.c_str());
            kept = kept && r->received == r->sent && r->fileMismatch == 0 && r->failure.empty();
            goals = goals && static_cast<double>(r->received) / r->seconds >= floodGoal;
        }
        const double ratio = perMB(raw, raw.cpuSeconds) / perMB(alone, alone.cpuSeconds);
        const double readerRatio = perMB(raw, raw.readerCpuSeconds) / perMB(alone, alone.readerCpuSeconds);
        goals = goals && readerRatio <= rawCpuGoal && raw.rssGrowthKiB() <= rssGoalKiB;
        std::fprintf(stderr, "raw capture CPU per byte: reader %.2f x reading alone (goal <= %.2f), whole process %.2f x; "
                     "RSS growth from the first half of the flood to the second %ld KiB (goal <= %ld)\n\n", readerRatio,
                     rawCpuGoal, ratio, raw.rssGrowthKiB(), rssGoalKiB);

        const Run pacedAlone = runOnce(false, "", Capture::Format::Text, plan);
        const std::string textPath = folder + "/paced.log";
        const Run text = runOnce(false, textPath, Capture::Format::Text, plan);
        std::remove(textPath.c_str());
        const double aloneCpu = 100 * pacedAlone.cpuSeconds / plan.pacedSeconds;
        const double textCpu = 100 * text.cpuSeconds / plan.pacedSeconds;
        std::fprintf(stderr, "paced 11520 B/s: reading alone %.3f%% of a core, with text capture %.3f%%: +%.3f points "
                     "(goal <= %.1f); lost %llu\n", aloneCpu, textCpu, textCpu - aloneCpu, textCpuGoalPoints,
                     static_cast<unsigned long long>(text.sent - std::min(text.sent, text.received)));
        kept = kept && text.received == text.sent && pacedAlone.received == pacedAlone.sent && text.failure.empty();
        goals = goals && textCpu - aloneCpu <= textCpuGoalPoints;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_capture: %s\n", error.what());
        return 2;
    }
    std::fprintf(stderr, "\n%s; %s.\n", kept ? "no byte lost, capture identical" : "BYTES LOST OR CAPTURE DIFFERS",
                 goals ? "goals met" : "a goal was MISSED");
    return kept && goals ? 0 : 1;
}
