// A headless terminal document reading a device that streams without pause: a pty's far end
// sends at 115200 baud (11,520 bytes a second), then as fast as the pty takes it, while the
// toolkit's own event loop runs the document (its port watch and its 0.1 s ticks), once per
// view mode. Every byte is checked in order as it is delivered. Goals: no byte lost, at most
// 2% of one core at 115200 baud, and a flood taken at 20 MB/s or more.
// Usage: bench_stream [--seconds PACED FLOOD]
#include "app/terminal/MyDocument.h"
#include "bench/CpuTime.h"
#include "bench/PtySerialDevice.h"
#include "bench/QuietStdout.h"
#include "app/terminal/TerminalControls.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
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
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;
using namespace std::chrono_literals;

constexpr double baudBytesPerSecond = 115200.0 / 10.0; // 8 data bits, a start and a stop bit
constexpr auto paceStep = 2ms;
constexpr double cpuGoalPercent = 2.0;
constexpr double floodGoalBytesPerSecond = 20e6;
const char* const modeNames[] = {"text", "mixed", "decimal", "hex"};

// The stream's byte number i: every value 0-255 turns up, in no simple order, and any
// stretch of it can be recomputed to check what the document kept.
unsigned char streamByte(std::uint64_t i)
{
    std::uint64_t x = i * 0x9E3779B97F4A7C15ull;
    x ^= x >> 29;
    return static_cast<unsigned char>(x >> 56);
}


struct Plan {
    Seconds paced{10.0};
    Seconds flood{5.0};
};

// The far end: the stream at the baud rate until `start + paced`, then as fast as the pty
// takes it until `start + paced + flood`. A real UART cannot wait; a paced write the pty
// refuses would be an overrun on hardware, so those are counted.
class Writer {
public:
    Writer(int master, Clock::time_point start, const Plan& plan)
        : master_(master)
        , start_(start)
        , plan_(plan)
    {
    }

    // Runs on the writer thread; a failure is kept for the main thread to throw.
    void run()
    {
        try {
            stream();
        } catch (...) {
            failure_ = std::current_exception();
        }
    }

    void rethrowFailure() const
    {
        if (failure_)
            std::rethrow_exception(failure_);
    }

    std::uint64_t sent() const { return sent_.load(); }
    int pacedStalls() const { return pacedStalls_; }

private:
    static constexpr std::size_t chunk = 4096;

    void stream()
    {
        const auto pacedEnd = start_ + std::chrono::duration_cast<Clock::duration>(plan_.paced);
        for (int step = 1;; ++step) {
            const auto due = start_ + step * paceStep;
            if (due > pacedEnd)
                break;
            std::this_thread::sleep_until(due);
            const double elapsed = Seconds(step * paceStep).count();
            const auto owed = static_cast<std::uint64_t>(elapsed * baudBytesPerSecond);
            send(owed - sent_, due + paceStep, &pacedStalls_);
        }

        const auto floodEnd = pacedEnd + std::chrono::duration_cast<Clock::duration>(plan_.flood);
        int ignored = 0;
        while (Clock::now() < floodEnd)
            send(chunk, floodEnd, &ignored);
    }

    // Writes up to `count` bytes of the stream, waiting for room until `deadline`.
    void send(std::uint64_t count, Clock::time_point deadline, int* stalls)
    {
        unsigned char buffer[chunk];
        while (count > 0) {
            const std::uint64_t first = sent_.load();
            const std::size_t length = std::min<std::uint64_t>(count, chunk);
            for (std::size_t i = 0; i < length; ++i)
                buffer[i] = streamByte(first + i);
            const ssize_t written = ::write(master_, buffer, length);
            if (written > 0) {
                sent_ += static_cast<std::uint64_t>(written);
                count -= static_cast<std::uint64_t>(written);
                continue;
            }
            if (written < 0 && errno != EAGAIN && errno != EINTR)
                throw std::runtime_error(std::string("write to pty master: ") + std::strerror(errno));
            ++*stalls;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return;
            pollfd entry{master_, POLLOUT, 0};
            ::poll(&entry, 1, static_cast<int>(left.count()));
        }
    }

    int master_;
    Clock::time_point start_;
    Plan plan_;
    std::atomic<std::uint64_t> sent_{0};
    int pacedStalls_ = 0;
    std::exception_ptr failure_;
};

struct Result {
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    std::uint64_t wrong = 0; // characters of the receive buffer that differ from the stream
    double pacedCpuPercent = 0;
    double floodCpuPercent = 0;
    double floodBytesPerSecond = 0;
    int pacedStalls = 0;

    std::uint64_t lost() const { return (sent > received ? sent - received : received - sent) + wrong; }
};

// Compares the last `count` characters of the receive buffer with the stream ending at `end`;
// only the last 2047 can still be there. Answers how many of them are wrong or missing.
std::uint64_t countWrong(const std::string& buffer, std::uint64_t end, std::uint64_t count)
{
    count = std::min<std::uint64_t>({count, end, Device::maxRecvChars});
    if (buffer.size() < count)
        return count;
    const std::size_t offset = buffer.size() - count;
    std::uint64_t wrong = 0;
    for (std::uint64_t i = 0; i < count; ++i)
        if (static_cast<unsigned char>(buffer[offset + i]) != streamByte(end - count + i))
            ++wrong;
    return wrong;
}

Result runMode(int mode, const Plan& plan)
{
    const PtySerialDevice pty; // a fresh list, so the receive count starts at zero

    TerminalControls controls;
    auto document = std::make_unique<MyDocument>(controls);
    controls.connect(*document);
    controls.viewFilter.userSelectSegment(mode);
    controls.readToggle.userSelectSegment(1);
    Device* device = document->getEnabledDevice();
    if (!device || !document->isReading())
        throw std::runtime_error("the document did not start reading cu.bench: " + document->statusText());

    // Every byte as the port delivers it, checked against the stream in order.
    Result result;
    device->addListener(&result, [&result](std::string_view bytes, const Moment&) {
        for (const char c : bytes)
            if (static_cast<unsigned char>(c) != streamByte(result.received++))
                ++result.wrong;
    });

    RunLoop& loop = RunLoop::currentRunLoop();
    const auto start = Clock::now() + 20ms;
    const auto pacedEnd = start + std::chrono::duration_cast<Clock::duration>(plan.paced);
    const auto floodEnd = pacedEnd + std::chrono::duration_cast<Clock::duration>(plan.flood);
    Writer writer(pty.master(), start, plan);
    std::thread writing([&] { writer.run(); });
    const double cpuStart = threadCpuSeconds();
    loop.runUntil(pacedEnd);
    const double cpuPaced = threadCpuSeconds();
    const std::uint64_t receivedPaced = result.received;
    loop.runUntil(floodEnd);
    const double cpuFlood = threadCpuSeconds();
    const std::uint64_t receivedFlood = result.received - receivedPaced;
    writing.join();
    writer.rethrowFailure();

    // What the pty still holds arrives next; a quiet half second means it is all in.
    for (std::uint64_t before = ~0ull; result.received < writer.sent() && result.received != before;) {
        before = result.received;
        loop.runUntil(Clock::now() + 500ms);
    }
    loop.runUntil(Clock::now() + 200ms); // the last redraw
    device->removeListener(&result);

    result.sent = writer.sent();
    // The buffer, and the view in text mode, must end with exactly the last bytes sent.
    result.wrong += countWrong(device->getRecvBuf(), result.sent, Device::maxRecvChars);
    const std::string& buffer = device->getRecvBuf();
    const std::u16string shown(controls.recieveTF.string());
    if (mode == 0 && !std::equal(buffer.begin(), buffer.end(), shown.begin(), shown.end(), [](char byte, char16_t unit) {
            return static_cast<unsigned char>(byte) == unit;
        }))
        ++result.wrong;
    result.pacedStalls = writer.pacedStalls();
    result.pacedCpuPercent = plan.paced.count() > 0 ? 100.0 * (cpuPaced - cpuStart) / plan.paced.count() : 0;
    result.floodCpuPercent = plan.flood.count() > 0 ? 100.0 * (cpuFlood - cpuPaced) / plan.flood.count() : 0;
    result.floodBytesPerSecond = plan.flood.count() > 0 ? static_cast<double>(receivedFlood) / plan.flood.count() : 0;
    return result;
}

Plan parseArguments(int argc, char** argv)
{
    Plan plan;
    if (argc == 1)
        return plan;
    char* end = nullptr;
    if (argc == 4 && std::strcmp(argv[1], "--seconds") == 0) {
        plan.paced = Seconds(std::strtod(argv[2], &end));
        if (*end == '\0') {
            plan.flood = Seconds(std::strtod(argv[3], &end));
            if (*end == '\0' && plan.paced.count() >= 0 && plan.flood.count() >= 0)
                return plan;
        }
    }
    std::fprintf(stderr, "usage: %s [--seconds PACED FLOOD]   (default 10 5)\n", argv[0]);
    std::exit(2);
}

} // namespace

int main(int argc, char** argv)
{
    const Plan plan = parseArguments(argc, argv);
    std::fprintf(stderr,
                 "%.1f s at %.0f B/s, then %.1f s as fast as the pty takes it.\n"
                 "CPU: the main thread (reading, ticks, rendering; the log's writing thread is not counted), "
                 "per second of stream (goal at 115200 baud: <= %.0f%% of one core);\n"
                 "flood: what the document took in per second (goal >= %.0f MB/s); lost: bytes never received "
                 "plus bytes that differ from those sent, in order;\n"
                 "paced stalls: writes the pty refused, an overrun on a real port.\n\n",
                 plan.paced.count(), baudBytesPerSecond, plan.flood.count(), cpuGoalPercent,
                 floodGoalBytesPerSecond / 1e6);
    std::fprintf(stderr, "%-8s %11s %11s %6s %10s %12s %10s %10s\n", "mode", "sent", "received", "lost",
                 "CPU paced", "paced stalls", "CPU flood", "flood MB/s");

    bool allKept = true;
    bool goalMet = true;
    try {
        const QuietStdout quiet;
        for (int mode = 0; mode < 4; ++mode) {
            const Result r = runMode(mode, plan);
            allKept = allKept && r.lost() == 0;
            goalMet = goalMet && r.pacedCpuPercent <= cpuGoalPercent &&
                      (plan.flood.count() == 0 || r.floodBytesPerSecond >= floodGoalBytesPerSecond);
            std::fprintf(stderr, "%-8s %11llu %11llu %6llu %9.2f%% %12d %9.2f%% %10.1f\n", modeNames[mode],
                         static_cast<unsigned long long>(r.sent), static_cast<unsigned long long>(r.received),
                         static_cast<unsigned long long>(r.lost()), r.pacedCpuPercent, r.pacedStalls,
                         r.floodCpuPercent, r.floodBytesPerSecond / 1e6);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_stream: %s\n", error.what());
        return 2;
    }
    std::fprintf(stderr, "\n%s; %s.\n", allKept ? "no byte lost" : "BYTES LOST",
                 goalMet ? "goals met in every mode" : "a goal was MISSED");
    return allKept && goalMet ? 0 : 1;
}
