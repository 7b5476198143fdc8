// The whole program with its plot: a terminal window reading a pty that a writer thread fills
// with numeric lines, as a flood or at a fixed number of lines a second, with View > Plot shown
// or not. A stretch answers the program's CPU less the writer's, the rate it read at and whether
// every byte and every line arrived (the device's count, the pane's sample count).
#pragma once

#include "app/plot/PlotModel.h"
#include "app/window/PlotAttachment.h"
#include "app/window/plot/PlotPane.h"
#include "bench/BenchTerminal.h"
#include "bench/CpuTime.h"
#include "devices/Device.h"

#include <QAction>
#include <QEventLoop>
#include <QSpinBox>
#include <QTimer>

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace plotbench {

using Clock = std::chrono::steady_clock;

// The far end: `lines` repeated into the pty master, `perSecond` lines a second (10 ms steps)
// or, at 0, as fast as the pty takes them. Stopped, it finishes the line it was writing.
class LineWriter {
public:
    LineWriter(int master, const std::vector<std::string>& lines, double perSecond)
        : master_(master), perSecond_(perSecond)
    {
        for (const std::string& line : lines) {
            starts_.push_back(block_.size());
            block_ += line;
        }
        starts_.push_back(block_.size());
        thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
    }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Stops the thread; answers the CPU seconds it used. The window reads on meanwhile: the
    // line being finished may need room in the pty.
    double stop()
    {
        thread_.request_stop();
        while (!finished_)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        thread_.join();
        if (!failure_.empty())
            throw std::runtime_error(failure_);
        return cpuSeconds_;
    }
    std::uint64_t bytes() const { return sent_; }
    std::uint64_t lines() const
    {
        const std::uint64_t whole = sent_ / block_.size();
        const auto rest = static_cast<std::ptrdiff_t>(sent_ % block_.size());
        return whole * (starts_.size() - 1) +
               static_cast<std::uint64_t>(std::count(block_.begin(), block_.begin() + rest, '\n'));
    }
    // The line the writer sent as its number i.
    std::string_view line(std::uint64_t i) const
    {
        const std::size_t at = i % (starts_.size() - 1);
        return std::string_view(block_).substr(starts_[at], starts_[at + 1] - starts_[at]);
    }

private:
    void run(const std::stop_token& stop)
    {
        const double cpuStart = threadCpuSeconds();
        try {
            const auto start = Clock::now();
            for (int step = 1; !stop.stop_requested(); ++step) {
                if (perSecond_ > 0) {
                    std::this_thread::sleep_until(start + step * std::chrono::milliseconds(10));
                    sendUpTo(bytesOfLines(static_cast<std::uint64_t>(step * perSecond_ / 100)), stop);
                } else {
                    sendUpTo(sent_ + block_.size(), stop);
                }
            }
            const std::size_t rest = sent_ % block_.size();
            if (rest != 0)
                sendUpTo(sent_ - rest + *std::upper_bound(starts_.begin(), starts_.end(), rest - 1), {});
        } catch (const std::exception& error) {
            failure_ = error.what();
        }
        cpuSeconds_ = threadCpuSeconds() - cpuStart;
        finished_ = true;
    }

    std::uint64_t bytesOfLines(std::uint64_t count) const
    {
        const std::size_t perBlock = starts_.size() - 1;
        return count / perBlock * block_.size() + starts_[count % perBlock];
    }

    // Writes until `end` bytes are sent, waiting whenever the pty is full; a stop leaves off.
    void sendUpTo(std::uint64_t end, const std::stop_token& stop)
    {
        while (sent_ < end) {
            const std::size_t at = sent_ % block_.size();
            const std::size_t count =
                static_cast<std::size_t>(std::min<std::uint64_t>(end - sent_, block_.size() - at));
            const ssize_t written = ::write(master_, block_.data() + at, count);
            if (written > 0) {
                sent_ += static_cast<std::uint64_t>(written);
            } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
                throw std::runtime_error(std::string("write to pty master: ") + std::strerror(errno));
            } else {
                if (stop.stop_requested())
                    return;
                pollfd entry{master_, POLLOUT, 0};
                ::poll(&entry, 1, 10);
            }
        }
    }

    int master_;
    double perSecond_;
    std::string block_;
    std::vector<std::size_t> starts_; // where each line of the block starts, and the block's end
    std::uint64_t sent_ = 0;
    double cpuSeconds_ = 0;
    std::string failure_;
    std::atomic<bool> finished_ = false;
    std::jthread thread_;
};

struct Stretch {
    double cpuPercent = 0; // the process less the writer, of one core
    double megabytesPerSecond = 0;
    std::uint64_t bytesLost = 0;   // sent and never received
    std::uint64_t samplesLost = 0; // lines the shown plot did not keep, up to its limit
    std::uint64_t lines = 0;
};

inline void runEvents(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// View > Plot on or off, as the user chooses it; answers the pane shown, keeping 100,000.
inline PlotPane* showPlot(BenchTerminal& terminal, bool shown)
{
    auto* attachment = terminal.window().findChild<PlotAttachment*>();
    attachment->item()->setChecked(shown);
    if (!shown)
        return nullptr;
    attachment->pane()->samplesBox()->setValue(static_cast<int>(PlotModel::maxWindow));
    return attachment->pane();
}

// `seconds` of the writer's lines into the window, with the plot shown or not.
inline Stretch runStretch(BenchTerminal& terminal, const std::vector<std::string>& lines, double perSecond,
                          double seconds, bool plotShown)
{
    PlotPane* pane = showPlot(terminal, plotShown);
    runEvents(1);
    Device* device = terminal.document().getEnabledDevice();
    const std::uint64_t before = device->getRecvCount();
    const double cpuStart = processCpuSeconds();
    const auto start = Clock::now();
    LineWriter writer(terminal.master(), lines, perSecond);
    runEvents(seconds);
    const double writerCpu = writer.stop();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    Stretch stretch;
    stretch.cpuPercent = 100 * (processCpuSeconds() - cpuStart - writerCpu) / elapsed;
    stretch.megabytesPerSecond = static_cast<double>(device->getRecvCount() - before) / elapsed / 1e6;
    // What the pty still holds comes in next.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (device->getRecvCount() - before < writer.bytes() && Clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    runEvents(0.3);
    const std::uint64_t received = device->getRecvCount() - before;
    stretch.bytesLost = received >= writer.bytes() ? received - writer.bytes() : writer.bytes() - received;
    stretch.lines = writer.lines();
    if (pane) {
        const PlotModel& model = pane->model();
        const std::uint64_t kept = std::min<std::uint64_t>(stretch.lines, PlotModel::maxWindow);
        const bool newest =
            stretch.lines == 0 || model.value(0, stretch.lines - 1) ==
                                      std::strtod(std::string(writer.line(stretch.lines - 1)).c_str(), nullptr);
        stretch.samplesLost = stretch.lines - std::min(stretch.lines, model.endKept());
        if (model.endKept() != stretch.lines || model.endKept() - model.firstKept() != kept || !newest)
            stretch.samplesLost = std::max<std::uint64_t>(stretch.samplesLost, 1);
    }
    showPlot(terminal, false);
    return stretch;
}

} // namespace plotbench
