// What keeping a received history costs the thread that reads the port: a headless document
// reads a pty while the far end sends, once with the history off and once with a history
// hearing every read (and the 0.1 s idle ticks). The far end sends 64-byte text lines, or
// bytes of every value (a line feed about one in 256), paced at 115200 baud or as fast as the
// pty takes them. Afterwards the history must hold exactly the newest bytes sent.
#pragma once

#include "app/history/ReceivedHistory.h"
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "bench/CpuTime.h"
#include "bench/PtySerialDevice.h"
#include "devices/Device.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace historybench {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr double baudBytesPerSecond = 11520.0;

inline unsigned char streamByte(std::uint64_t i, bool lines)
{
    if (lines) {
        const unsigned column = static_cast<unsigned>(i % 64);
        return column == 63 ? '\n' : static_cast<unsigned char>(' ' + (i / 64 + column) % 95);
    }
    std::uint64_t x = i * 0x9E3779B97F4A7C15ull;
    x ^= x >> 29;
    return static_cast<unsigned char>(x >> 56);
}

struct StreamRun {
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    double seconds = 0;
    double readerCpu = 0; // the main thread: reading, ticks, the history
    bool historyExact = true;
    double mbPerSecond() const { return static_cast<double>(received) / seconds / 1e6; }
    double cpuMsPerMB() const { return readerCpu * 1e3 / (static_cast<double>(received) / 1e6); }
};

// Plays the far end on a thread of its own.
class HistoryFarEnd {
public:
    HistoryFarEnd(int master, bool paced, bool lines, double seconds)
        : master_(master), paced_(paced), lines_(lines),
          end_(Clock::now() + std::chrono::duration_cast<Clock::duration>(Seconds(seconds)))
    {
        thread_ = std::thread([this] { run(); });
    }
    ~HistoryFarEnd() { join(); }
    void join()
    {
        if (thread_.joinable())
            thread_.join();
    }
    bool done() const { return done_; }
    std::uint64_t sent() const { return sent_; }

private:
    void run()
    {
        const auto start = Clock::now();
        unsigned char buffer[4096];
        while (Clock::now() < end_) {
            std::uint64_t want = sizeof buffer;
            if (paced_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                want = std::min<std::uint64_t>(
                    want, static_cast<std::uint64_t>(Seconds(Clock::now() - start).count() * baudBytesPerSecond) - sent_);
            }
            for (std::uint64_t i = 0; i < want; ++i)
                buffer[i] = streamByte(sent_ + i, lines_);
            const ssize_t written = want ? ::write(master_, buffer, want) : 0;
            if (written > 0) {
                sent_ += static_cast<std::uint64_t>(written);
            } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
                break;
            } else if (!paced_) {
                pollfd entry{master_, POLLOUT, 0};
                ::poll(&entry, 1, 10);
            }
        }
        done_ = true;
    }

    int master_;
    bool paced_;
    bool lines_;
    Clock::time_point end_;
    std::atomic<std::uint64_t> sent_{0};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// The newest bytes sent must be the history's last bytes, and nothing may be missing.
inline bool holdsNewest(const HistoryStore& store, std::uint64_t sent, bool lines)
{
    std::string raw;
    store.forEachByteRun([&](std::string_view bytes) { raw.append(bytes); });
    if (raw.size() != store.storedBytes() || store.storedBytes() + store.droppedBytes() != sent)
        return false;
    const std::uint64_t first = sent - raw.size();
    for (std::uint64_t i = 0; i < raw.size(); ++i)
        if (static_cast<unsigned char>(raw[i]) != streamByte(first + i, lines))
            return false;
    return true;
}

inline StreamRun streamOnce(bool flood, bool keep, bool lines, double seconds)
{
    const PtySerialDevice pty;
    TerminalControls controls;
    auto document = std::make_unique<MyDocument>(controls);
    controls.connect(*document);
    controls.readToggle.userSelectSegment(1);
    Device* device = document->getEnabledDevice();
    if (!device || !document->isReading())
        throw std::runtime_error("the document did not start reading: " + document->statusText());
    ReceivedHistory history;
    std::shared_ptr<Timer> idle;
    if (keep) {
        device->addListener(&history, [&history](std::string_view bytes, const Moment& at) { history.received(bytes, at); });
        idle = Timer::timerWithTimeInterval(0.1, [&history](Timer&) { history.idle(Moment::now()); }, true);
        RunLoop::currentRunLoop().addTimer(idle);
    }
    StreamRun run;
    const double cpuStart = threadCpuSeconds();
    const auto start = Clock::now();
    HistoryFarEnd far(pty.master(), !flood, lines, seconds);
    auto lastCount = device->getReceivedSinceOpen();
    auto lastChange = start;
    for (;;) {
        RunLoop::currentRunLoop().runUntil(Clock::now() + std::chrono::milliseconds(10));
        const auto count = device->getReceivedSinceOpen();
        if (count != lastCount) {
            lastCount = count;
            lastChange = Clock::now();
        }
        if (far.done() && (count >= far.sent() || Clock::now() - lastChange > std::chrono::milliseconds(500)))
            break;
    }
    run.readerCpu = threadCpuSeconds() - cpuStart;
    run.seconds = flood ? Seconds(lastChange - start).count() : seconds;
    far.join();
    run.sent = far.sent();
    run.received = device->getReceivedSinceOpen();
    if (keep) {
        device->removeListener(&history);
        run.historyExact = holdsNewest(history.store(), run.sent, lines);
    }
    return run;
}

} // namespace historybench
