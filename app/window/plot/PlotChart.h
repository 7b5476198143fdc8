// Draws a plot model's shown samples with QPainter: a legend, a grid with axis labels, and a
// line per shown series in colours that read on light and dark palettes. Over a pixel column
// holding many samples it draws their lowest to highest, so any count costs about the width.
#pragma once

#include "app/plot/PlotModel.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRectF>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class QPainter;

class PlotChart {
public:
    // Where things were drawn, for finding what the pointer is over.
    struct Geometry {
        QRectF plot;
        std::vector<QRectF> legend; // per series, empty rectangles for none
        std::uint64_t begin = 0, end = 0;
        std::size_t span = 1; // samples across the plot's width
        double low = 0, high = 1;
        double xOf(std::uint64_t sample) const;
        std::optional<std::uint64_t> sampleAt(double x) const;
    };

    explicit PlotChart(const PlotModel& model) : model_(model) {}

    // nullopt: the range follows the shown values.
    void setFixedRange(std::optional<std::pair<double, double>> range) { fixed_ = range; }
    const std::optional<std::pair<double, double>>& fixedRange() const { return fixed_; }
    // The sample whose values the chart spells out, or none.
    void setHovered(std::optional<std::uint64_t> sample) { hovered_ = sample; }

    Geometry draw(QPainter& painter, const QRectF& area, const QPalette& palette, const QFont& font) const;
    static QColor colour(std::size_t series, bool dark);
    static bool isDark(const QPalette& palette);

private:
    // One pixel column of one series: its first, lowest, highest and last value.
    struct Column {
        double first, low, high, last;
        bool any = false;
    };
    void decimate(std::size_t series, const Geometry& g, int width, std::vector<Column>& into) const;
    void drawGrid(QPainter& painter, const Geometry& g, const QPalette& palette) const;
    void drawHover(QPainter& painter, const Geometry& g, const QPalette& palette, bool dark) const;

    const PlotModel& model_;
    std::optional<std::pair<double, double>> fixed_;
    std::optional<std::uint64_t> hovered_;
    mutable std::vector<std::vector<Column>> columns_;
};
