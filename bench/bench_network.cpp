// Reading a network port: ser2net on loopback serves a pty whose far end floods, and the same
// flood is read once through this program's RFC 2217 port and once by `socat -u TCP:… -`
// reading the same ser2net port, in turn, in each run. Every byte is checked (socat's stream
// is decoded with the program's telnet codec only to count and check it, outside socat's CPU
// time). Then an idle network port's CPU against an idle local one's, the port watched as the
// window watches it. Reports each run and the median of the runs with the lowest and highest.
//
//   bench_network [--megabytes N] [--idle-seconds S] [--runs R]
#include "bench/CpuTime.h"
#include "bench/QuietStdout.h"
#include "devices/Device.h"
#include "serial/NetworkPort.h"
#include "serial/SerialController.h"
#include "serial/TelnetCodec.h"
#include "tests/support/Flood.h"
#include "tests/support/Pty.h"
#include "tests/support/Ser2net.h"
#include "tests/support/TempDir.h"
#include "toolkit/RunLoop.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Reading {
    std::size_t bytes = 0;
    std::size_t wrong = 0;
    double seconds = 0;
    double cpuSeconds = 0;

    double megabytesPerSecond() const { return seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0; }
    double cpuMsPerMegabyte() const { return bytes > 0 ? cpuSeconds * 1e3 / (static_cast<double>(bytes) / 1e6) : 0; }
};

// Counts and checks bytes as they come, in the flood's order.
struct Checker {
    Reading& reading;
    void take(const char* bytes, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i)
            reading.wrong += bytes[i] != floodByte(reading.bytes + i);
        reading.bytes += count;
    }
};

void runFor(std::chrono::milliseconds time)
{
    RunLoop::currentRunLoop().runUntil(Clock::now() + time);
}

template <typename Done>
bool runUntil(Done done, std::chrono::seconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (!done() && Clock::now() < deadline)
        runFor(std::chrono::milliseconds(20));
    return done();
}

bool openNetwork(SerialController& serial, Device& device)
{
    std::optional<bool> opened;
    serial.openPortAsync(&device, [&opened](bool ok) { opened = ok; });
    runUntil([&] { return opened.has_value(); }, std::chrono::seconds(15));
    if (!opened || !*opened)
        std::fprintf(stderr, "bench_network: cannot open %s: %s\n", device.getAddr(), serial.openFailure().c_str());
    return opened.value_or(false);
}

// Reads the device's port whenever it is ready, as the window's pump does: sized to what
// waits, until nothing does, so a read never comes back empty in the middle of a stream.
void watch(SerialController& serial, Device& device, Checker* checker)
{
    device.getPort()->watchReadable([&serial, &device, checker] {
        static std::vector<char> buffer(64 * 1024);
        do {
            const std::size_t want = std::clamp<std::size_t>(device.getPort()->bytesWaiting(), 1, buffer.size());
            const int got = serial.readPort(&device, buffer.data(), static_cast<int>(want));
            if (got <= 0)
                break;
            if (checker)
                checker->take(buffer.data(), static_cast<std::size_t>(got));
        } while (device.getPort() && device.getPort()->bytesWaiting() > 0);
    });
}

Reading readOurs(Ser2net& server, const Pty& pty, std::size_t total)
{
    Reading reading;
    SerialController serial;
    Device device(server.address("rfc2217"), "");
    device.setBaud(115200);
    if (!openNetwork(serial, device))
        return reading;
    Checker checker{reading};
    watch(serial, device, &checker);
    const double cpu = threadCpuSeconds();
    const Clock::time_point start = Clock::now();
    std::thread board = floodInto(pty, total);
    runUntil([&] { return reading.bytes >= total || serial.isHungUp(&device); }, std::chrono::seconds(300));
    reading.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    reading.cpuSeconds = threadCpuSeconds() - cpu;
    board.join();
    serial.closePort(&device);
    return reading;
}

Reading readSocat(Ser2net& server, const Pty& pty, std::size_t total)
{
    Reading reading;
    int out[2];
    if (::pipe(out) != 0)
        return reading;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string target = "TCP:127.0.0.1:" + std::to_string(server.port());
    const char* argv[] = {"socat", "-u", target.c_str(), "-", nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "socat", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        std::fprintf(stderr, "bench_network: cannot run socat\n");
        ::close(out[0]);
        return reading;
    }
    // ser2net opens the pty once socat is connected; the flood must not start before.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    TelnetCodec codec(false);
    std::string data, replies;
    Checker checker{reading};
    const Clock::time_point start = Clock::now();
    std::thread board = floodInto(pty, total);
    std::vector<char> buffer(64 * 1024);
    while (reading.bytes < total) {
        pollfd entry{out[0], POLLIN, 0};
        if (::poll(&entry, 1, 10000) <= 0)
            break;
        const ssize_t got = ::read(out[0], buffer.data(), buffer.size());
        if (got <= 0)
            break;
        data.clear();
        codec.receive(std::string_view(buffer.data(), static_cast<std::size_t>(got)), data, replies);
        checker.take(data.data(), data.size());
    }
    reading.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    board.join();
    ::kill(pid, SIGTERM);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    ::close(out[0]);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    reading.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return reading;
}

// The main thread's CPU over `idle` with the port open, watched and quiet.
double idleCpu(SerialController& serial, Device& device, std::chrono::seconds idle)
{
    watch(serial, device, nullptr);
    const double cpu = threadCpuSeconds();
    runFor(idle);
    const double used = threadCpuSeconds() - cpu;
    serial.closePort(&device);
    return used / static_cast<double>(idle.count()) * 100;
}

struct Figures {
    std::vector<double> values;
    double median() const
    {
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    // "1.23 (1.01-1.40)": the median, then the lowest and the highest.
    std::string text(int decimals) const
    {
        char line[128];
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        std::snprintf(line, sizeof line, "%.*f (%.*f-%.*f)", decimals, median(), decimals, *low, decimals, *high);
        return line;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    std::size_t megabytes = 8;
    int idleSeconds = 5;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--megabytes") == 0)
            megabytes = static_cast<std::size_t>(std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--idle-seconds") == 0)
            idleSeconds = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::atoi(argv[i + 1]);
    }
    if (!Ser2net::available()) {
        std::fprintf(stderr, "bench_network: ser2net is not installed\n");
        return 1;
    }
    std::signal(SIGPIPE, SIG_IGN);
    const QuietStdout quiet;
    std::FILE* report = quiet.report();
    const std::size_t total = megabytes * 1000 * 1000;

    Pty pty;
    Ser2net server(pty.slavePath(), "telnet(rfc2217)");
    server.start();
    Figures oursRate, socatRate, oursCpu, socatCpu, idleNetwork, idleLocal;
    std::size_t lost = 0;
    for (int run = 1; run <= runs; ++run) {
        // Each run takes turns first, so a machine that grows busier favours neither.
        Reading ours, socat;
        if (run % 2 == 1) {
            ours = readOurs(server, pty, total);
            socat = readSocat(server, pty, total);
        } else {
            socat = readSocat(server, pty, total);
            ours = readOurs(server, pty, total);
        }
        for (const Reading* reading : {&ours, &socat})
            lost += (total - std::min(total, reading->bytes)) + reading->wrong;
        oursRate.values.push_back(ours.megabytesPerSecond());
        socatRate.values.push_back(socat.megabytesPerSecond());
        oursCpu.values.push_back(ours.cpuMsPerMegabyte());
        socatCpu.values.push_back(socat.cpuMsPerMegabyte());

        SerialController serial;
        Device network(server.address("rfc2217"), "");
        idleNetwork.values.push_back(openNetwork(serial, network) ? idleCpu(serial, network, std::chrono::seconds(idleSeconds)) : 0);
        TempDir dev;
        dev.link("cu.bench", pty.slavePath());
        server.stop(); // the pty is the local port's now
        Device local("cu.bench", dev.path());
        idleLocal.values.push_back(serial.openPort(&local) ? idleCpu(serial, local, std::chrono::seconds(idleSeconds)) : 0);
        server.start();

        std::fprintf(report, "run %d: ours %zu bytes (%zu wrong) %.2f MB/s %.2f CPU ms/MB; socat %zu bytes (%zu wrong) "
                             "%.2f MB/s %.2f CPU ms/MB; idle CPU network %.4f%%, local %.4f%%\n",
                     run, ours.bytes, ours.wrong, ours.megabytesPerSecond(), ours.cpuMsPerMegabyte(), socat.bytes,
                     socat.wrong, socat.megabytesPerSecond(), socat.cpuMsPerMegabyte(), idleNetwork.values.back(),
                     idleLocal.values.back());
        std::fflush(report);
    }
    std::fprintf(report, "\n%zu MB flood from ser2net on loopback, %d runs: median (lowest-highest)\n", megabytes, runs);
    std::fprintf(report, "| reader | MB/s | CPU ms per MB |\n|---|--:|--:|\n");
    std::fprintf(report, "| serialterm rfc2217:// | %s | %s |\n", oursRate.text(2).c_str(),
                 oursCpu.text(1).c_str());
    std::fprintf(report, "| socat -u TCP:… - | %s | %s |\n", socatRate.text(2).c_str(),
                 socatCpu.text(1).c_str());
    std::fprintf(report, "\nidle port, %d s, CPU %% of one core: network %s, local %s\n", idleSeconds,
                 idleNetwork.text(4).c_str(), idleLocal.text(4).c_str());
    std::fprintf(report, "bytes lost or wrong: %zu\n", lost);
    return lost == 0 ? 0 : 1;
}
