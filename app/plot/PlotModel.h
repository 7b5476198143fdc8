// What the plot keeps: the samples of every series in the order they came, the newest `window`
// of them (500 by default, up to 100,000). Paused, it keeps taking samples, up to 100,000, and
// shows those it had when paused; resumed, it shows the newest again. Series keep the place,
// and so the colour, they first came in until the model is made anew.
#pragma once

#include "app/plot/PlotField.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class PlotModel {
public:
    static constexpr std::size_t defaultWindow = 500;
    static constexpr std::size_t minWindow = 10;
    static constexpr std::size_t maxWindow = 100000;
    static constexpr std::size_t maxSeries = 32;

    struct Series {
        std::string name;
        bool shown = true;
    };
    // Of a series over a range of samples; count 0 when it had no value there.
    struct Stats {
        double last = 0, min = 0, max = 0;
        std::size_t count = 0;
    };

    // One sample; a name not seen before adds a series, unless there are maxSeries already.
    void add(std::span<const PlotField> fields);
    void clear(); // samples go, series stay

    void setWindow(std::size_t samples); // clamped to minWindow..maxWindow
    std::size_t window() const { return window_; }
    void pause();
    void resume();
    bool isPaused() const { return paused_; }

    std::size_t seriesCount() const { return series_.size(); }
    const Series& series(std::size_t index) const { return series_[index]; }
    void setShown(std::size_t index, bool shown);

    // Samples are numbered from 0 since the last clear; kept are [firstKept, endKept).
    std::uint64_t firstKept() const { return first_; }
    std::uint64_t endKept() const { return first_ + kept(); }
    // What the chart shows: the window's worth up to the newest, or up to the pause.
    std::uint64_t shownBegin() const;
    std::uint64_t shownEnd() const;
    // A kept sample's value, NaN where the series had none.
    double value(std::size_t series, std::uint64_t sample) const;
    // The values of the kept samples [from, to), contiguous.
    std::span<const double> values(std::size_t series, std::uint64_t from, std::uint64_t to) const;
    Stats stats(std::size_t series, std::uint64_t from, std::uint64_t to) const;

    // Changes with every change of what the chart would show (not with samples kept paused).
    std::uint64_t revision() const { return revision_; }
    std::uint64_t droppedSeries() const { return droppedSeries_; }

    // The kept samples as CSV: a line of the names of the series with a value, then a line per
    // sample, an empty field where a series had none; numbers in their shortest exact form.
    std::string csv() const;

private:
    std::size_t kept() const { return stored_ - dead_; }
    std::size_t find(std::string_view name, std::size_t hint) const;
    void trim();

    std::vector<Series> series_;
    // Per series, a value (NaN for none) for each stored sample; the first dead_ are dropped.
    std::vector<std::vector<double>> columns_;
    std::size_t stored_ = 0;
    std::size_t dead_ = 0;
    std::uint64_t first_ = 0;
    std::size_t window_ = defaultWindow;
    bool paused_ = false;
    std::uint64_t pausedEnd_ = 0;
    std::uint64_t revision_ = 0;
    std::uint64_t droppedSeries_ = 0;
};
