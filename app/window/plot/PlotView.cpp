#include "app/window/plot/PlotView.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

PlotView::PlotView(PlotModel& model, QWidget* parent) : QWidget(parent), model_(model), chart_(model)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setAccessibleName(tr("Plot"));
}

void PlotView::refresh()
{
    drawnRevision_ = ~std::uint64_t{0};
    modelChanged();
}

void PlotView::modelChanged()
{
    // One timer a frame, started by the change: a chart nothing feeds never wakes.
    if (isVisible() && !frames_.isActive())
        frames_.start(untilNextFrame(), this);
}

int PlotView::untilNextFrame() const
{
    if (!sinceFrame_.isValid())
        return 0;
    const double gap = std::max(static_cast<double>(frameMilliseconds), paintSeconds_ / paintShare * 1000);
    return std::max(0, static_cast<int>(std::ceil(gap - static_cast<double>(sinceFrame_.elapsed()))));
}

void PlotView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh(); // what came while hidden
}

void PlotView::hideEvent(QHideEvent* event)
{
    // Hidden, it costs nothing: the model keeps its samples and the next show draws them.
    frames_.stop();
    QWidget::hideEvent(event);
}

void PlotView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != frames_.timerId())
        return QWidget::timerEvent(event);
    frames_.stop();
    if (model_.revision() == drawnRevision_)
        return;
    sinceFrame_.start();
    drawnRevision_ = model_.revision();
    update();
    emit shownChanged();
}

void PlotView::paintEvent(QPaintEvent* event)
{
    (void)event;
    QElapsedTimer cost;
    cost.start();
    QPainter painter(this);
    geometry_ = chart_.draw(painter, rect(), palette(), font());
    painter.end();
    paintSeconds_ = 0.7 * paintSeconds_ + 0.3 * static_cast<double>(cost.nsecsElapsed()) * 1e-9;
    ++paints_;
}

void PlotView::mouseMoveEvent(QMouseEvent* event)
{
    chart_.setHovered(geometry_.plot.contains(event->position()) ? geometry_.sampleAt(event->position().x())
                                                                 : std::nullopt);
    update();
}

void PlotView::leaveEvent(QEvent* event)
{
    chart_.setHovered(std::nullopt);
    update();
    QWidget::leaveEvent(event);
}

void PlotView::mousePressEvent(QMouseEvent* event)
{
    for (std::size_t i = 0; i < geometry_.legend.size(); ++i) {
        if (geometry_.legend[i].contains(event->position()) && i < model_.seriesCount()) {
            model_.setShown(i, !model_.series(i).shown);
            update();
            emit seriesToggled(i);
            return;
        }
    }
    QWidget::mousePressEvent(event);
}
