// The live chart of a plot model as a widget: told of each change, it redraws at most 30 times
// a second, only while shown, and waits at least a hundred times as long as its last frames
// took, so a live stream costs about 1 % of a core however big the chart and a quiet one
// nothing. The pointer spells out a sample's values; a click on a legend entry hides one.
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
    // The chart's own drawing; the rest of a frame (the wake-up, Qt's paint and flush) adds
    // about a fifth to it.
    static constexpr double paintShare = 0.008;

    explicit PlotView(PlotModel& model, QWidget* parent = nullptr);

    PlotChart& chart() { return chart_; }
    // Where the last paint put things.
    const PlotChart::Geometry& geometry() const { return geometry_; }
    // Call after changing the model or the chart from outside: the next frame shows it.
    void refresh();
    // The model took new samples: a frame is due once the last one is far enough behind.
    void modelChanged();
    bool frameDue() const { return frames_.isActive(); }
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
    int untilNextFrame() const; // ms

    PlotModel& model_;
    PlotChart chart_;
    PlotChart::Geometry geometry_;
    QBasicTimer frames_;
    std::uint64_t drawnRevision_ = ~std::uint64_t{0};
    int paints_ = 0;
    double paintSeconds_ = 0; // a running mean of the last frames' cost
    QElapsedTimer sinceFrame_;
};
