// The whole terminal in one process under the offscreen platform, reading a pty that a writer
// thread feeds, driven by the real Qt event loop: CPU as a share of one core when idle, at
// 115200 baud and in a flood (with the rate the flood is taken at), resident memory across the
// flood, and how long a byte on an idle port takes to be painted, in every view mode. Every
// byte sent is checked to have arrived; a lost byte or a missed goal fails the run.
// Usage: bench_qt_program [--paced S] [--idle S] [--flood S] [--mode NAME[,NAME...]]   (defaults 20, 10, 10,
// text,mixed,decimal,hex)
#include "app/history/ReceivedHistory.h"
#include "bench/ArrivalWakeFloor.h"
#include "bench/BenchTerminal.h"
#include "bench/CpuTime.h"
#include "bench/PaintCounter.h"
#include "bench/ResidentMemory.h"
#include "devices/Device.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QEventLoop>
#include <QFontInfo>
#include <QTimer>

#include <poll.h>
#include <sys/resource.h>
#include <time.h>
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
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;
using namespace std::chrono_literals;

constexpr double baudBytesPerSecond = 115200.0 / 10.0; // 8 data bits, a start and a stop bit
constexpr double pacedGoalPercent = 0.6;
constexpr double idleGoalPercent = 0.05;
constexpr double floodGoalMBps = 20;
constexpr double floodCpuGoalPerMBps = 1.5; // % of one core per MB/s
constexpr double latencyGoalMs = 20;
constexpr int latencySamples = 21;
// Allocator and glyph-cache noise; a buffer that grew with the stream would pass this in seconds.
constexpr double flatMiB = 1.0;
const char* const modeNames[] = {"text", "mixed", "decimal", "hex"};

struct Plan {
    double paced = 20;
    double idle = 10;
    double flood = 10;
    std::vector<int> modes{0, 1, 2, 3}; // --mode NAME[,NAME...]: those view modes, in that order
    // --painting NAME[,NAME...]: each mode is run once in each, in turn, so drift hits all alike.
    std::vector<int> paintings{0};
};

// How the receive view paints: rows straight into the backing store, or the plain way.
struct Painting {
    const char* name;
    bool intoBackingStore;
};
const Painting paintings[] = {{"direct", true}, {"plain", false}};

std::vector<int> paintingsNamed(std::string_view names)
{
    std::vector<int> chosen;
    while (!names.empty()) {
        const std::size_t comma = std::min(names.find(','), names.size());
        const std::string_view name = names.substr(0, comma);
        const auto* found = std::find_if(std::begin(paintings), std::end(paintings), [&](const Painting& p) { return name == p.name; });
        if (found == std::end(paintings))
            return {};
        chosen.push_back(static_cast<int>(found - std::begin(paintings)));
        names.remove_prefix(std::min(comma + 1, names.size()));
    }
    return chosen;
}



// The far end of the line: random bytes into the pty master, at the baud rate or as fast as the
// pty takes them, until stopped. It times its own CPU so that can be taken off the process's.
class Feeder {
public:
    enum class Pace { Baud, Flood };

    Feeder(int master, Pace pace)
        : master_(master), pace_(pace), thread_([this](std::stop_token stop) { run(stop); })
    {
    }
    Feeder(const Feeder&) = delete;
    Feeder& operator=(const Feeder&) = delete;

    std::uint64_t sent() const { return sent_; }
    // The byte the feeder sent as its number i.
    char byte(std::uint64_t i) const { return data_[i % data_.size()]; }

    // Stops the thread; answers the CPU seconds it used.
    double stop()
    {
        thread_.request_stop();
        if (thread_.joinable())
            thread_.join();
        if (!failure_.empty())
            throw std::runtime_error(failure_);
        return cpuSeconds_;
    }

private:
    void run(const std::stop_token& stop)
    {
        const double cpuStart = threadCpuSeconds();
        std::mt19937 random(115200);
        std::uniform_int_distribution<int> byte(0x00, 0xFF);
        for (char& c : data_)
            c = static_cast<char>(byte(random));
        try {
            if (pace_ == Pace::Baud)
                paced(stop);
            else
                while (!stop.stop_requested())
                    send(data_.size());
        } catch (const std::exception& error) {
            failure_ = error.what();
        }
        cpuSeconds_ = threadCpuSeconds() - cpuStart;
    }

    // A UART delivers evenly; the reader only looks every 0.1 s, so 10 ms steps are as good.
    void paced(const std::stop_token& stop)
    {
        const auto start = Clock::now();
        for (int step = 1; !stop.stop_requested(); ++step) {
            const auto due = start + step * 10ms;
            std::this_thread::sleep_until(due);
            const auto owed = static_cast<std::uint64_t>(Seconds(due - start).count() * baudBytesPerSecond);
            send(owed - sent_);
        }
    }

    void send(std::size_t count)
    {
        while (count > 0) {
            const std::size_t at = sent_ % data_.size();
            const ssize_t written = ::write(master_, data_.data() + at, std::min(count, data_.size() - at));
            if (written > 0) {
                sent_ += static_cast<std::uint64_t>(written);
                count -= static_cast<std::size_t>(written);
            } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
                throw std::runtime_error(std::string("write to pty master: ") + std::strerror(errno));
            } else {
                // Full: the terminal has not read yet. Wait for room, briefly, so a stop is noticed.
                pollfd entry{master_, POLLOUT, 0};
                ::poll(&entry, 1, 10);
                return;
            }
        }
    }

    int master_;
    Pace pace_;
    std::string data_ = std::string(64 * 1024, '\0');
    std::uint64_t sent_ = 0;
    double cpuSeconds_ = 0;
    std::string failure_;
    std::jthread thread_; // last, so it starts once everything it uses is there
};

// Runs the event loop for `seconds`, with a writer at `pace` if any; answers the process's CPU
// beyond the writer's own work, as a percentage of one core, and the seconds it ran.
std::pair<double, double> runLoop(double seconds, int master, std::optional<Feeder::Pace> pace,
                                  std::optional<Feeder>* kept = nullptr)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    const double cpuStart = processCpuSeconds();
    const auto start = Clock::now();
    std::optional<Feeder> local;
    std::optional<Feeder>& feeder = kept ? *kept : local;
    if (pace)
        feeder.emplace(master, *pace);
    loop.exec();
    const double feederCpu = feeder ? feeder->stop() : 0;
    const double elapsed = Seconds(Clock::now() - start).count();
    return {100 * (processCpuSeconds() - cpuStart - feederCpu) / elapsed, elapsed};
}

// Runs the event loop until the condition holds or the time is up; answers whether it held.
template <typename Condition>
bool runUntil(Condition done, double seconds)
{
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(Seconds(seconds));
    while (!done() && Clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return done();
}

// Lets ticks take in what the pty still holds, unmeasured.
void settle(double seconds)
{
    runLoop(seconds, -1, std::nullopt);
}

// What any Qt program pays here to wake ten times a second, for scale: an empty 0.1 s timer
// of the same kind as the read timer, before the window exists.
double timerFloorPercent(double seconds)
{
    QTimer tick;
    tick.setTimerType(Qt::CoarseTimer);
    QObject::connect(&tick, &QTimer::timeout, [] {});
    tick.start(100);
    settle(1);
    return runLoop(seconds, -1, std::nullopt).first;
}

struct Phase {
    double cpuPercent = 0;
    double kibPerSecond = 0; // what the terminal took in
    std::uint64_t lost = 0;  // bytes sent but never received, or received other than sent
    double residentBefore = 0;
    double residentAfter = 0;
    double residentPeak = 0;
};

// One measured stretch of the program's life: its CPU, what it took in, and its memory.
Phase runPhase(MyDocument& document, int master, std::optional<Feeder::Pace> pace, double seconds, bool watchMemory)
{
    Phase phase;
    Device* device = document.getEnabledDevice();
    const std::uint64_t receivedBefore = device->getRecvCount();
    phase.residentBefore = phase.residentPeak = residentMiB();
    QTimer memory;
    if (watchMemory) {
        QObject::connect(&memory, &QTimer::timeout, [&] { phase.residentPeak = std::max(phase.residentPeak, residentMiB()); });
        memory.start(250);
    }
    std::optional<Feeder> feeder;
    const auto [cpuPercent, elapsed] = runLoop(seconds, master, pace, &feeder);
    phase.cpuPercent = cpuPercent;
    phase.residentAfter = residentMiB();
    phase.residentPeak = std::max(phase.residentPeak, phase.residentAfter);
    phase.kibPerSecond = static_cast<double>(device->getRecvCount() - receivedBefore) / 1024 / elapsed;
    if (!feeder)
        return phase;
    // What the pty still holds comes in next; then the count and the last bytes must match.
    const std::uint64_t sent = feeder->sent();
    runUntil([&] { return device->getRecvCount() - receivedBefore >= sent; }, 10);
    const std::uint64_t received = device->getRecvCount() - receivedBefore;
    phase.lost = received > sent ? received - sent : sent - received;
    const std::string& buffer = device->getRecvBuf();
    const std::uint64_t tail = std::min<std::uint64_t>({sent, buffer.size(), Device::maxRecvChars});
    for (std::uint64_t i = 0; i < tail; ++i)
        if (static_cast<unsigned char>(buffer[buffer.size() - tail + i]) != static_cast<unsigned char>(feeder->byte(sent - tail + i)))
            ++phase.lost;
    return phase;
}

// One byte at a time into an idle port, each after a quiet spell, until the receive view has
// painted it: the median and the slowest, in ms.
std::pair<double, double> latencyMs(MyDocument& document, int master, const PaintCounter& paints)
{
    Device* device = document.getEnabledDevice();
    std::vector<double> samples;
    for (int i = 0; i < latencySamples; ++i) {
        settle(0.3);
        const std::uint64_t received = device->getRecvCount();
        const int painted = paints.count();
        const auto start = Clock::now();
        if (::write(master, "x", 1) != 1)
            throw std::runtime_error(std::string("write to pty master: ") + std::strerror(errno));
        if (!runUntil([&] { return device->getRecvCount() > received && paints.count() > painted; }, 2))
            throw std::runtime_error("a byte on an idle port was never painted: received " +
                                     std::to_string(device->getRecvCount() - received) + ", painted " +
                                     std::to_string(paints.count() - painted) + (document.isAsleep() ? ", asleep" : "") +
                                     (device->getPort() && device->getPort()->isReadablePaused() ? ", paused" : ""));
        samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples.back()};
}

const char* verdict(bool met)
{
    return met ? "met" : "MISSED";
}

double parseSeconds(const char* text)
{
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    return *end == '\0' && seconds > 0 && seconds <= 3600 ? seconds : -1;
}

int modeNamed(std::string_view name)
{
    for (int mode = 0; mode < 4; ++mode)
        if (name == modeNames[mode])
            return mode;
    return -1;
}

// "mixed" or "text,mixed": the modes named, in order; none if a name is unknown.
std::vector<int> modesNamed(std::string_view names)
{
    std::vector<int> modes;
    while (!names.empty()) {
        const std::size_t comma = std::min(names.find(','), names.size());
        const int mode = modeNamed(names.substr(0, comma));
        if (mode < 0)
            return {};
        modes.push_back(mode);
        names.remove_prefix(std::min(comma + 1, names.size()));
    }
    return modes;
}

Plan parseArguments(int argc, char** argv)
{
    Plan plan;
    bool good = argc % 2 == 1;
    for (int i = 1; good && i + 1 < argc; i += 2) {
        const double seconds = parseSeconds(argv[i + 1]);
        good = seconds > 0 || std::strcmp(argv[i], "--mode") == 0 || std::strcmp(argv[i], "--painting") == 0;
        if (std::strcmp(argv[i], "--paced") == 0)
            plan.paced = seconds;
        else if (std::strcmp(argv[i], "--idle") == 0)
            plan.idle = seconds;
        else if (std::strcmp(argv[i], "--flood") == 0)
            plan.flood = seconds;
        else if (std::strcmp(argv[i], "--mode") == 0)
            good = !(plan.modes = modesNamed(argv[i + 1])).empty();
        else if (std::strcmp(argv[i], "--painting") == 0)
            good = !(plan.paintings = paintingsNamed(argv[i + 1])).empty();
        else
            good = false;
    }
    if (good)
        return plan;
    std::fprintf(stderr, "usage: %s [--paced S] [--idle S] [--flood S] [--mode text|mixed|decimal|hex[,...]] [--painting direct|plain[,...]]   (defaults 20, 10, 10, all four, direct)\n", argv[0]);
    std::exit(2);
}

} // namespace

int main(int argc, char** argv)
{
    const Plan plan = parseArguments(argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    try {
        BenchTerminal terminal(argv[0]);
        std::FILE* out = terminal.report();
        const double timerFloor = timerFloorPercent(plan.idle);
        const double wakeFloor = arrivalWakeFloorPercent(std::min(plan.paced, 5.0), baudBytesPerSecond);
        terminal.openWindow();
        MyDocument& document = terminal.document();
        std::fprintf(out,
                     "Qt %s, platform %s, %u CPUs. CPU: the process's user+system time (getrusage) less the "
                     "writer thread's own, as %% of one core.\n"
                     "idle: reading on, nothing arriving, %.0f s (goal %.2f%%); paced: %.0f B/s for %.0f s "
                     "(goal %.1f%%);\n"
                     "flood: as fast as the pty takes it for %.0f s (goal %.0f MB/s at most %.1f%% of a core per "
                     "MB/s); resident memory (VmRSS) before, after and at its peak (goal: flat, within %.0f MiB);\n"
                     "latency: one byte into an idle port until the receive view painted it, median of %d (goal "
                     "%.0f ms). lost: bytes not received as sent, checked after each stream.\n"
                     "For scale, an empty 0.1 s Qt timer in this process before the window opened: %.3f%%; a bare thread\n"
                     "woken by each 10 ms step of the paced stream, as timestamps taken at arrival need: %.3f%%.\n\n",
                     qVersion(), qPrintable(QGuiApplication::platformName()), std::thread::hardware_concurrency(),
                     plan.idle, idleGoalPercent, baudBytesPerSecond, plan.paced, pacedGoalPercent, plan.flood,
                     floodGoalMBps, floodCpuGoalPerMBps, flatMiB, latencySamples, latencyGoalMs, timerFloor, wakeFloor);
        // Figures depend on the pixels painted: the font the system gives for monospace matters.
        TextViewWidget* view = terminal.window().receiveView();
        std::fprintf(out, "Receive view: %s, %d lines of %d cells.\n\n", qPrintable(QFontInfo(view->font()).family()),
                     view->visibleLineCount(), view->textLayout().columns());
        std::fprintf(out, "%-8s %-8s %-14s %-14s %-17s %-16s %-5s %-17s %s\n", "mode", "painting", "idle CPU", "paced CPU",
                     "flood MB/s", "flood CPU/(MB/s)", "lost", "latency med/max", "RSS MiB before/after/peak");

        // The received history keeps what arrives up to its limit, by design: it is filled first,
        // so the flood's memory check sees the rest of the program.
        {
            Feeder fill(terminal.master(), Feeder::Pace::Flood);
            Device* device = document.getEnabledDevice();
            runUntil([&] { return device->getRecvCount() >= ReceivedHistory::defaultLimit + (8u << 20); }, 120);
            fill.stop();
            settle(1);
        }

        bool allMet = true;
        PaintCounter paints(terminal.window().receiveView()->viewport());
        for (const int mode : plan.modes)
        for (const int painting : plan.paintings) {
            TextViewWidget::setIntoBackingStore(paintings[painting].intoBackingStore);
            terminal.controls().viewFilter.userSelectSegment(mode);
            view->viewport()->update();
            settle(1);
            const Phase idle = runPhase(document, terminal.master(), std::nullopt, plan.idle, false);
            const Phase paced = runPhase(document, terminal.master(), Feeder::Pace::Baud, plan.paced, false);
            settle(0.5);
            const Phase flood = runPhase(document, terminal.master(), Feeder::Pace::Flood, plan.flood, true);
            const auto [latencyMedian, latencyWorst] = latencyMs(document, terminal.master(), paints);
            const double floodMBps = flood.kibPerSecond * 1024 / 1e6;
            const double perMBps = floodMBps > 0 ? flood.cpuPercent / floodMBps : 0;
            const bool idleMet = idle.cpuPercent <= idleGoalPercent;
            const bool pacedMet = paced.cpuPercent <= pacedGoalPercent;
            const bool latencyMet = latencyMedian <= latencyGoalMs;
            const std::uint64_t lost = paced.lost + flood.lost;
            const bool flat = flood.residentAfter - flood.residentBefore <= flatMiB;
            std::fprintf(out, "%-8s %-8s %6.3f%% %-6s %6.3f%% %-6s %7.1f %-9s %6.2f%% %-8s %-5llu %5.1f/%5.1f %-5s %.1f/%.1f/%.1f %s\n",
                         modeNames[mode], paintings[painting].name, idle.cpuPercent, verdict(idleMet), paced.cpuPercent, verdict(pacedMet),
                         floodMBps, verdict(floodMBps >= floodGoalMBps), perMBps,
                         verdict(perMBps <= floodCpuGoalPerMBps), static_cast<unsigned long long>(lost),
                         latencyMedian, latencyWorst, verdict(latencyMet), flood.residentBefore,
                         flood.residentAfter, flood.residentPeak, flat ? "flat" : "GREW");
            std::fflush(out);
            allMet = allMet && idleMet && pacedMet && floodMBps >= floodGoalMBps && perMBps <= floodCpuGoalPerMBps &&
                     latencyMet && flat && lost == 0;
            if (!document.isReading())
                throw std::runtime_error("reading stopped: " + document.statusText());
        }
        std::fprintf(out, "\n%s\n", allMet ? "All goals met, no byte lost." : "A goal was missed, or bytes were lost.");
        return allMet ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_qt_program: %s\n", error.what());
        return 2;
    }
}
