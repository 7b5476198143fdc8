#include "toolkit/qt/QuietScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimerEvent>

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
    QScrollBar::paintEvent(event);
}
