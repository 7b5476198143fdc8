// The sending tools on pseudo-terminals, timed: a 100 MiB raw file send at the pty's speed
// (goal 20 MB/s, memory flat); ZMODEM of a 10 MiB random file to rz behind socat, against sz
// to rz over the same kind of pair in the same run (goal 80 %); repeating every 10 ms (every
// send on the wire, the count right, at most 1 % of a core). Exits non-zero on a miss.
// --megabytes N, --repeat-seconds N change the sizes.
#include "app/send/ChildProcess.h"
#include "app/send/FileSender.h"
#include "app/send/ModemTransfer.h"
#include "app/send/OutputPacer.h"
#include "app/send/PortSink.h"
#include "app/send/Repeater.h"
#include "bench/CpuTime.h"
#include "serial/SerialPort.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/RunLoop.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <poll.h>
#include <thread>
#include <unistd.h>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    return 0;
}

void writeRandom(const std::string& path, std::size_t size)
{
    std::mt19937_64 random(1);
    std::ofstream out(path, std::ios::binary);
    std::string block(1 << 20, '\0');
    for (std::size_t done = 0; done < size; done += block.size()) {
        for (std::size_t i = 0; i < block.size(); i += 8) {
            const std::uint64_t value = random();
            std::memcpy(block.data() + i, &value, 8);
        }
        out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - done)));
    }
}

bool rawSend(const TempDir& dir, std::size_t megabytes)
{
    const std::size_t size = megabytes << 20;
    const std::string path = dir.path() + "/raw.bin";
    writeRandom(path, size);
    Pty pty;
    int error = 0;
    auto port = SerialPort::open(pty.slavePath(), "cu.bench", 115200, 0, 0, error);
    PortSink sink([&]() -> Port* { return port.get(); });
    OutputPacer pacer(sink);
    FileSender sender(pacer, sink);
    // The far end reads on a thread of its own, comparing as it goes with a copy of the file.
    std::atomic<std::size_t> received = 0;
    std::atomic<bool> same = true;
    std::thread far([&] {
        std::ifstream expected(path, std::ios::binary);
        std::string chunk(65536, '\0'), want(65536, '\0');
        while (received < size) {
            pollfd entry{pty.master(), POLLIN, 0};
            if (::poll(&entry, 1, 5000) <= 0)
                break;
            const ssize_t count = ::read(pty.master(), chunk.data(), chunk.size());
            if (count <= 0)
                continue;
            expected.read(want.data(), count);
            if (std::memcmp(chunk.data(), want.data(), static_cast<std::size_t>(count)) != 0)
                same = false;
            received += static_cast<std::size_t>(count);
        }
    });
    const long memoryBefore = residentKiB();
    long memoryMost = memoryBefore;
    const double cpuBefore = threadCpuSeconds();
    const auto start = Clock::now();
    sender.start(path);
    while (sender.isRunning()) {
        RunLoop::currentRunLoop().runUntil(Clock::now() + 10ms);
        memoryMost = std::max(memoryMost, residentKiB());
    }
    far.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double rate = static_cast<double>(size) / seconds / 1e6;
    std::printf("raw %zu MiB: %.1f MB/s, sender CPU %.1f ms per MB, resident +%ld KiB, %s\n", megabytes, rate,
                (threadCpuSeconds() - cpuBefore) * 1000 / (static_cast<double>(size) / 1e6),
                memoryMost - memoryBefore, received == size && same ? "identical" : "DIFFERENT");
    return received == size && same && rate >= 20;
}

std::unique_ptr<ChildProcess> farRz(const TempDir& dir, const std::string& link, const std::string& folder)
{
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    ChildProcess::Setup setup;
    setup.arguments = {"socat", "pty,raw,echo=0,link=" + link, "SYSTEM:cd " + folder + " && exec rz -q"};
    int error = 0;
    auto socat = ChildProcess::spawn(setup, error);
    for (int i = 0; i < 300 && !std::filesystem::exists(link); ++i)
        std::this_thread::sleep_for(10ms);
    (void)dir;
    return socat;
}

bool zmodem(const TempDir& dir)
{
    const std::string file = dir.path() + "/z.bin";
    writeRandom(file, 10 << 20);
    // sz alone, its standard input and output the pair's end: quiet, and with the progress
    // lines the program asks for (-vv), which cost sz itself time on a link this fast.
    const std::string link = dir.path() + "/zport";
    // 0: -q, 1: -vv, 2: neither, as `sz file` is run by hand.
    double direct[3] = {0, 0, 0};
    std::unique_ptr<ChildProcess> socat;
    for (const int verbose : {0, 1, 2}) {
        socat = farRz(dir, link, dir.path() + "/direct");
        const auto began = Clock::now();
        ChildProcess::Setup setup;
        FileDescriptor fd(::open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        setup.arguments = {"sz", "-b", file};
        if (verbose < 2)
            setup.arguments.insert(setup.arguments.begin() + 1, verbose ? "-vv" : "-q");
        setup.input = setup.output = fd.get();
        int error = 0;
        auto sz = ChildProcess::spawn(setup, error);
        char drain[4096];
        while (!sz->poll()) {
            while (::read(sz->errorOutput(), drain, sizeof drain) > 0) {
            }
            std::this_thread::sleep_for(1ms);
        }
        direct[verbose] = std::chrono::duration<double>(Clock::now() - began).count();
        socat.reset();
        std::filesystem::remove(link);
    }

    socat = farRz(dir, link, dir.path() + "/ours");
    int error = 0;
    auto port = SerialPort::open(link, "cu.z", 115200, 0, 0, error);
    ModemTransfer transfer(*port);
    const auto start = Clock::now();
    transfer.start({ModemProtocol::Zmodem, true, {file}, {}, 30s});
    while (transfer.isRunning())
        RunLoop::currentRunLoop().runUntil(Clock::now() + 5ms);
    const double ours = std::chrono::duration<double>(Clock::now() - start).count();
    std::this_thread::sleep_for(200ms);
    const auto size = [](const std::string& path) {
        std::error_code ignored;
        return std::filesystem::file_size(path, ignored);
    };
    const bool same = size(dir.path() + "/ours/z.bin") == (10u << 20) && size(dir.path() + "/direct/z.bin") == (10u << 20);
    std::printf("ZMODEM 10 MiB: sz to rz %.2f s (%.1f MB/s), sz -q %.2f s (%.1f MB/s), sz -vv %.2f s (%.1f MB/s), "
                "through the program %.2f s (%.1f MB/s): %.0f %% of sz (goal 80), %.0f %% of -q, %.0f %% of -vv, %s\n",
                direct[2], 10.48576 / direct[2], direct[0], 10.48576 / direct[0], direct[1], 10.48576 / direct[1], ours,
                10.48576 / ours, 100 * direct[2] / ours, 100 * direct[0] / ours, 100 * direct[1] / ours,
                same ? "arrived" : "MISSING");
    return same && direct[2] / ours >= 0.8 && transfer.outcome() == ModemTransfer::Outcome::Done;
}

bool repeat(int seconds)
{
    Pty pty;
    int error = 0;
    auto port = SerialPort::open(pty.slavePath(), "cu.r", 115200, 0, 0, error);
    PortSink sink([&]() -> Port* { return port.get(); });
    OutputPacer pacer(sink);
    Repeater repeater(pacer, sink);
    std::string heard;
    const double cpuBefore = processCpuSeconds();
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    repeater.start("AT\r", 10ms);
    while (Clock::now() < end) {
        RunLoop::currentRunLoop().runUntil(std::min(end, Clock::now() + 100ms));
        heard += pty.readMaster(1 << 20, 1ms);
    }
    repeater.stop();
    const double cpu = (processCpuSeconds() - cpuBefore) / seconds * 100;
    heard += pty.readMaster(1 << 20, 100ms);
    const std::uint64_t onWire = heard.size() / 3;
    std::printf("repeat every 10 ms for %d s: %llu sends counted, %llu on the wire, %llu skipped, CPU %.2f %% of a core\n",
                seconds, static_cast<unsigned long long>(repeater.count()), static_cast<unsigned long long>(onWire),
                static_cast<unsigned long long>(repeater.skipped()), cpu);
    return onWire == repeater.count() && heard.size() % 3 == 0 && cpu <= 1.0;
}

} // namespace

int main(int argc, char** argv)
{
    std::size_t megabytes = 100;
    int repeatSeconds = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--megabytes") == 0)
            megabytes = std::stoul(argv[i + 1]);
        else if (std::strcmp(argv[i], "--repeat-seconds") == 0)
            repeatSeconds = std::stoi(argv[i + 1]);
    }
    TempDir dir;
    bool good = rawSend(dir, megabytes);
    good = zmodem(dir) && good;
    good = repeat(repeatSeconds) && good;
    std::fflush(stdout);
    return good ? 0 : 1;
}
