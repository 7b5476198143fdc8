// The live chart of a plot model as a widget: it redraws at most 30 times a second, only while
// shown and only when what it shows changed, and waits at least a hundred times as long as its
// last frames took, so a live stream costs about 1 % of a core however big the chart. The
// pointer over it spells out a sample's values; a click on a legend entry hides or shows one.
#pragma once

#include "app/window/plot/PlotChart.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QWidget>

#include <cstdint>

class PlotView : public QWidget {
    Q_OBJECT
public:
    static constexpr int frameMilliseconds = 33;
    static constexpr double paintShare = 0.01;

    explicit PlotView(PlotModel& model, QWidget* parent = nullptr);

    PlotChart& chart() { return chart_; }
    // Where the last paint put things.
    const PlotChart::Geometry& geometry() const { return geometry_; }
    // Call after changing the model or the chart from outside: the next frame shows it.
    void refresh();
    int paintCount() const { return paints_; }
    QSize sizeHint() const override { return {600, 260}; }
    QSize minimumSizeHint() const override { return {200, 120}; }

signals:
    void seriesToggled(std::size_t series);
    // At most once a frame, after what the chart shows changed.
    void shownChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    PlotModel& model_;
    PlotChart chart_;
    PlotChart::Geometry geometry_;
    QBasicTimer frames_;
    std::uint64_t drawnRevision_ = ~std::uint64_t{0};
    int paints_ = 0;
    double paintSeconds_ = 0; // a running mean of the last frames' cost
    QElapsedTimer sinceFrame_;
};
