#include "app/plot/PlotModel.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr double none = std::numeric_limits<double>::quiet_NaN();

} // namespace

std::size_t PlotModel::find(std::string_view name, std::size_t hint) const
{
    // Lines tend to list their series in the same order each time.
    if (hint < series_.size() && series_[hint].name == name)
        return hint;
    for (std::size_t i = 0; i < series_.size(); ++i) {
        if (series_[i].name == name)
            return i;
    }
    return series_.size();
}

void PlotModel::add(std::span<const PlotField> fields)
{
    const std::uint64_t begin = shownBegin(), end = shownEnd();
    const std::size_t known = series_.size();
    for (std::vector<double>& column : columns_)
        column.push_back(none);
    ++stored_;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::size_t index = find(fields[i].name, i);
        if (index == series_.size()) {
            if (series_.size() == maxSeries) {
                ++droppedSeries_;
                continue;
            }
            series_.push_back({std::string(fields[i].name), true});
            columns_.emplace_back(stored_, none);
        }
        columns_[index].back() = fields[i].value;
    }
    trim();
    // Paused, the chart changes only when its samples begin to go or its legend grows.
    if (!paused_ || begin != shownBegin() || end != shownEnd() || known != series_.size())
        ++revision_;
}

void PlotModel::trim()
{
    // Paused, the samples the chart shows stay while new ones come, up to the most kept.
    const std::size_t limit = paused_ ? std::max(window_, maxWindow) : window_;
    if (kept() > limit) {
        const std::size_t excess = kept() - limit;
        dead_ += excess;
        first_ += excess;
    }
    // The dropped front goes at once now and then, so each sample is moved about once.
    if (dead_ >= std::max<std::size_t>(kept(), 1024)) {
        for (std::vector<double>& column : columns_)
            column.erase(column.begin(), column.begin() + static_cast<std::ptrdiff_t>(dead_));
        stored_ -= dead_;
        dead_ = 0;
    }
}

void PlotModel::clear()
{
    for (std::vector<double>& column : columns_)
        column.clear();
    stored_ = dead_ = 0;
    first_ = pausedEnd_ = 0;
    ++revision_;
}

void PlotModel::setWindow(std::size_t samples)
{
    window_ = std::clamp(samples, minWindow, maxWindow);
    trim();
    ++revision_;
}

void PlotModel::pause()
{
    if (paused_)
        return;
    paused_ = true;
    pausedEnd_ = endKept();
    ++revision_;
}

void PlotModel::resume()
{
    if (!paused_)
        return;
    paused_ = false;
    trim();
    ++revision_;
}

void PlotModel::setShown(std::size_t index, bool shown)
{
    if (index < series_.size() && series_[index].shown != shown) {
        series_[index].shown = shown;
        ++revision_;
    }
}

std::uint64_t PlotModel::shownEnd() const
{
    return paused_ ? std::clamp(pausedEnd_, firstKept(), endKept()) : endKept();
}

std::uint64_t PlotModel::shownBegin() const
{
    const std::uint64_t end = shownEnd();
    return std::max(firstKept(), end - std::min<std::uint64_t>(end, window_));
}

double PlotModel::value(std::size_t series, std::uint64_t sample) const
{
    if (series >= columns_.size() || sample < firstKept() || sample >= endKept())
        return none;
    return columns_[series][dead_ + (sample - first_)];
}

std::span<const double> PlotModel::values(std::size_t series, std::uint64_t from, std::uint64_t to) const
{
    from = std::max(from, firstKept());
    to = std::min(to, endKept());
    if (series >= columns_.size() || from >= to)
        return {};
    return std::span<const double>(columns_[series]).subspan(dead_ + (from - first_), to - from);
}

PlotModel::Stats PlotModel::stats(std::size_t series, std::uint64_t from, std::uint64_t to) const
{
    Stats stats;
    for (const double v : values(series, from, to)) {
        if (std::isnan(v))
            continue;
        if (stats.count == 0) {
            stats.min = stats.max = v;
        } else {
            stats.min = std::min(stats.min, v);
            stats.max = std::max(stats.max, v);
        }
        stats.last = v;
        ++stats.count;
    }
    return stats;
}

std::string PlotModel::csv() const
{
    std::vector<std::size_t> columns;
    for (std::size_t i = 0; i < series_.size(); ++i) {
        if (stats(i, firstKept(), endKept()).count > 0)
            columns.push_back(i);
    }
    std::string text;
    for (std::size_t i = 0; i < columns.size(); ++i)
        text += (i ? "," : "") + series_[columns[i]].name;
    text += '\n';
    char number[32];
    for (std::uint64_t sample = firstKept(); sample < endKept(); ++sample) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i)
                text += ',';
            const double v = value(columns[i], sample);
            if (!std::isnan(v))
                text.append(number, std::to_chars(number, number + sizeof number, v).ptr);
        }
        text += '\n';
    }
    return text;
}
