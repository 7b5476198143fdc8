// The plot's costs. Redraw: the chart of 100,000 kept samples of 4 series (a sine, a square, a
// noisy and a slow ramp) drawn offscreen into a 1000x300 image, at 1x and at 2x scale (goal
// 8 ms). Flood: 64 MiB of numeric lines of 4 series through the line reader into a model that
// keeps 100,000, handed over 4 KiB at a time as a port reads them (goal 50 MB/s); every line must
// become a sample and the model must hold the newest 100,000 exactly. Paced: 1,000 lines a
// second for --paced-seconds with the pane shown on the offscreen platform, the process's CPU
// with the pane against the same stream with nothing hearing it (goal +1 % of a core).
// Then the whole program: a window reading a pty that a writer thread fills with such lines,
// View > Plot shown keeping 100,000. Flood for --program-seconds (goal 50 MB/s, every byte
// received and every line a sample); 1,000 lines a second for --paced-seconds, the program's CPU
// with the plot shown less without it, the two alternating (goal 1 % of a core).
// Each figure is the median of --runs runs with the lowest and highest. Exits 1 on a miss or a
// lost byte or sample.
// Usage: bench_plot [--runs N] [--paced-seconds S] [--program-seconds S]
#include "app/plot/PlotFeed.h"
#include "app/plot/PlotModel.h"
#include "app/stream/ReceivedStream.h"
#include "app/window/plot/PlotChart.h"
#include "app/window/plot/PlotPane.h"
#include "app/window/plot/PlotView.h"
#include "bench/CpuTime.h"
#include "bench/PlotProgramBench.h"
#include "bench/Spread.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using historybench::shown;
using historybench::spread;

struct Plan {
    int runs = 3;
    double pacedSeconds = 10;
    double programSeconds = 10;
};

// Line i of the stream: four series as a sensor sketch prints them.
std::string sampleLine(std::uint64_t i)
{
    const double t = static_cast<double>(i);
    const double noise = static_cast<double>((i * 2654435761u) % 1000) / 100.0 - 5.0;
    char line[96];
    const int n = std::snprintf(line, sizeof line, "%.3f,%d,%.2f,%.1f\n", 100 * std::sin(t / 50),
                                (i / 100) % 2 ? 50 : -50, 20 + noise, std::fmod(t / 10, 300));
    return std::string(line, static_cast<std::size_t>(n));
}

std::string sampleText(std::uint64_t from, std::uint64_t count)
{
    std::string text;
    for (std::uint64_t i = from; i < from + count; ++i)
        text += sampleLine(i);
    return text;
}

bool redraw(const Plan& plan)
{
    bool met = true;
    for (const std::size_t samples : {PlotModel::defaultWindow, PlotModel::maxWindow}) {
        PlotModel model;
        model.setWindow(samples);
        PlotFeed feed(model);
        feed.received(sampleText(0, samples), Moment{});
        if (model.endKept() != samples)
            return false;
        PlotChart chart(model);
        const QPalette palette = QApplication::palette();
        const QFont font = QApplication::font();
        for (const int scale : {1, 2}) {
            QImage image(QSize(1000, 300) * scale, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(scale);
            std::vector<double> medians;
            for (int run = 0; run < plan.runs; ++run) {
                std::vector<double> times;
                for (int i = 0; i < 40; ++i) {
                    const auto start = std::chrono::steady_clock::now();
                    QPainter painter(&image);
                    chart.draw(painter, QRectF(0, 0, 1000, 300), palette, font);
                    painter.end();
                    times.push_back(historybench::millisSince(start));
                }
                medians.push_back(spread(times).median);
            }
            const auto figure = spread(medians);
            met = met && figure.median <= 8;
            std::fprintf(stderr, "  redraw, %zu samples x 4 series, 1000x300 at %dx: %s ms (goal 8)\n", samples, scale,
                         shown(figure, 2).c_str());
        }
    }
    return met;
}

bool flood(const Plan& plan)
{
    // 64 MiB made of one 1 MiB block of lines repeated: each block's lines are the same, so the
    // newest sample's values are known.
    const std::string block = sampleText(0, 40000);
    const std::uint64_t linesPerBlock = 40000;
    const int blocks = static_cast<int>((64u << 20) / block.size());
    std::vector<double> rates;
    bool exact = true;
    for (int run = 0; run < plan.runs; ++run) {
        PlotModel model;
        model.setWindow(PlotModel::maxWindow);
        PlotFeed feed(model);
        const auto wall = std::chrono::steady_clock::now();
        for (int b = 0; b < blocks; ++b) {
            for (std::size_t at = 0; at < block.size(); at += 4096)
                feed.received(std::string_view(block).substr(at, 4096), Moment{});
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
        rates.push_back(static_cast<double>(block.size()) * blocks / seconds / 1e6);
        const std::uint64_t lines = linesPerBlock * static_cast<std::uint64_t>(blocks);
        exact = exact && feed.reader().samples() == lines && model.endKept() == lines &&
                model.endKept() - model.firstKept() == PlotModel::maxWindow && model.seriesCount() == 4 &&
                model.value(0, lines - 1) == std::strtod(sampleLine(linesPerBlock - 1).c_str(), nullptr);
    }
    const auto figure = spread(rates);
    std::fprintf(stderr, "  flood, 4 series a line, 100,000 kept: %s MB/s (goal 50), every sample kept: %s\n",
                 shown(figure, 1).c_str(), exact ? "yes" : "NO");
    return exact && figure.median >= 50;
}

// The process's CPU, in % of a core, while a timer hands 10 lines to the stream every 10 ms.
double pacedCpu(bool withPane, double seconds)
{
    ReceivedStream stream;
    std::unique_ptr<PlotPane> pane;
    if (withPane) {
        pane = std::make_unique<PlotPane>(stream, [](const std::string&) {});
        pane->resize(1000, 320);
        pane->show();
        if (!QTest::qWaitForWindowExposed(pane.get()))
            std::fprintf(stderr, "  the pane was never shown\n");
    }
    std::uint64_t next = 0;
    QTimer lines;
    lines.setTimerType(Qt::PreciseTimer);
    QObject::connect(&lines, &QTimer::timeout, [&] {
        stream.deliver(sampleText(next, 10), Moment{});
        next += 10;
    });
    lines.start(10);
    const double start = processCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    const double used = processCpuSeconds() - start;
    if (withPane && pane->model().endKept() != next)
        std::fprintf(stderr, "  the pane lost samples: %llu of %llu\n",
                     static_cast<unsigned long long>(pane->model().endKept()), static_cast<unsigned long long>(next));
    return used / (static_cast<double>(clock.elapsed()) / 1000) * 100;
}

bool paced(const Plan& plan)
{
    std::vector<double> alone, with, extra;
    for (int run = 0; run < plan.runs; ++run) {
        alone.push_back(pacedCpu(false, plan.pacedSeconds));
        with.push_back(pacedCpu(true, plan.pacedSeconds));
        extra.push_back(with.back() - alone.back());
    }
    const auto figure = spread(extra);
    std::fprintf(stderr,
                 "  1,000 lines/s: stream alone %s%%, with the pane shown %s%%, the pane's share %s points (goal 1)\n",
                 shown(spread(alone), 2).c_str(), shown(spread(with), 2).c_str(), shown(figure, 2).c_str());
    return figure.median <= 1;
}

std::vector<std::string> sampleLines(std::uint64_t count)
{
    std::vector<std::string> lines;
    for (std::uint64_t i = 0; i < count; ++i)
        lines.push_back(sampleLine(i));
    return lines;
}

bool programFlood(BenchTerminal& terminal, const Plan& plan)
{
    const std::vector<std::string> lines = sampleLines(40000);
    std::vector<double> rates, cpu;
    std::uint64_t bytesLost = 0, samplesLost = 0, fewest = ~0ull;
    for (int run = 0; run < plan.runs; ++run) {
        const auto stretch = plotbench::runStretch(terminal, lines, 0, plan.programSeconds, true);
        rates.push_back(stretch.megabytesPerSecond);
        cpu.push_back(stretch.cpuPercent);
        bytesLost += stretch.bytesLost;
        samplesLost += stretch.samplesLost;
        fewest = std::min(fewest, stretch.lines);
    }
    const auto figure = spread(rates);
    std::fprintf(stderr,
                 "  whole program, flood with the plot shown: %s MB/s (goal 50), CPU %s%%, at least %llu lines a "
                 "run, bytes lost %llu, samples lost %llu\n",
                 shown(figure, 1).c_str(), shown(spread(cpu), 1).c_str(), static_cast<unsigned long long>(fewest),
                 static_cast<unsigned long long>(bytesLost), static_cast<unsigned long long>(samplesLost));
    return figure.median >= 50 && bytesLost == 0 && samplesLost == 0;
}

bool programPaced(BenchTerminal& terminal, const Plan& plan)
{
    const std::vector<std::string> lines = sampleLines(4000);
    std::vector<double> without, with, extra;
    std::uint64_t lost = 0;
    for (int run = 0; run < plan.runs; ++run) {
        const auto alone = plotbench::runStretch(terminal, lines, 1000, plan.pacedSeconds, false);
        const auto plotted = plotbench::runStretch(terminal, lines, 1000, plan.pacedSeconds, true);
        without.push_back(alone.cpuPercent);
        with.push_back(plotted.cpuPercent);
        extra.push_back(with.back() - without.back());
        lost += alone.bytesLost + plotted.bytesLost + plotted.samplesLost;
    }
    const auto figure = spread(extra);
    std::fprintf(stderr,
                 "  whole program, 1,000 lines/s: without the plot %s%%, with it shown %s%%, the plot's share %s "
                 "points (goal 1), bytes or samples lost %llu\n",
                 shown(spread(without), 2).c_str(), shown(spread(with), 2).c_str(), shown(figure, 2).c_str(),
                 static_cast<unsigned long long>(lost));
    return figure.median <= 1 && lost == 0;
}

} // namespace

int main(int argc, char** argv)
{
    Plan plan;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0)
            plan.runs = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--paced-seconds") == 0)
            plan.pacedSeconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--program-seconds") == 0)
            plan.programSeconds = std::atof(argv[i + 1]);
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    BenchTerminal terminal(argv[0]);
    std::fprintf(stderr, "bench_plot, %d runs:\n", plan.runs);
    bool met = redraw(plan);
    met = flood(plan) && met;
    met = paced(plan) && met;
    try {
        terminal.openWindow();
        met = programFlood(terminal, plan) && met;
        met = programPaced(terminal, plan) && met;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_plot: %s\n", error.what());
        met = false;
    }
    std::fprintf(stderr, met ? "every goal met\n" : "a goal was missed\n");
    return met ? 0 : 1;
}
