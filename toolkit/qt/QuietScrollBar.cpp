#include "toolkit/qt/QuietScrollBar.h"

#include <QPaintEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimerEvent>

bool QuietScrollBar::banded_ = true;

QuietScrollBar::QuietScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {}

QuietScrollBar::Look QuietScrollBar::look() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return Look{style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                value() == minimum(), value() == maximum()};
}

void QuietScrollBar::sliderChange(SliderChange change)
{
    if (change != SliderOrientationChange && everPainted_) {
        // The program's changes soon after a paint wait for the rest of the interval; the timer
        // then compares the look once for all of them (working it out costs a style query).
        if (byProgram_ && !isSliderDown()) {
            const qint64 since = sincePaint_.elapsed();
            if (since < paintInterval) {
                if (!late_.isActive())
                    late_.start(static_cast<int>(paintInterval - since), this);
                return;
            }
        }
        // What is on screen is what was last painted, or what a pending repaint will paint.
        if (look() == painted_)
            return;
    }
    QScrollBar::sliderChange(change);
}

void QuietScrollBar::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != late_.timerId()) {
        QScrollBar::timerEvent(event);
        return;
    }
    late_.stop();
    if (look() != painted_)
        update();
}

void QuietScrollBar::paintEvent(QPaintEvent* event)
{
    late_.stop();
    painted_ = look();
    everPainted_ = true;
    sincePaint_.start();
    if (!banded_) {
        QScrollBar::paintEvent(event);
        return;
    }
    // Qt's raster engine hands a fill taller than about 96 lines to its thread pool and waits
    // for it; for a scroll bar that handoff costs more than the painting. Painted in bands
    // lower than that, the style's fills stay on this thread. The bands narrow the engine's
    // system clip (what this paint may touch, in device pixels), which each painter the
    // style's paint opens starts from.
    QPainter probe(this);
    QPaintEngine* engine = probe.paintEngine();
    const QTransform toDevice = probe.deviceTransform();
    probe.end();
    const QRegion allowed = engine ? engine->systemClip() : QRegion();
    if (!engine || engine->type() != QPaintEngine::Raster || toDevice.type() > QTransform::TxTranslate
        || allowed.isEmpty()) {
        QScrollBar::paintEvent(event);
        return;
    }
    constexpr int band = 90;
    const QRect area = allowed.boundingRect();
    for (int top = area.top(); top <= area.bottom(); top += band) {
        // An empty system clip would mean the whole device.
        const QRegion part = allowed & QRect(area.left(), top, area.width(), band);
        if (part.isEmpty())
            continue;
        engine->setSystemClip(part);
        QScrollBar::paintEvent(event);
    }
    engine->setSystemClip(allowed);
}
