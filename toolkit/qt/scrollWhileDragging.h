// A drag that leaves a scrolled view above or below scrolls it a line, as text views do, so a
// selection can grow past what is in sight.
#pragma once

#include <QPoint>
#include <QScrollBar>

inline void scrollWhileDragging(QScrollBar* bar, const QPoint& point, int viewportHeight)
{
    if (point.y() < 0)
        bar->setValue(bar->value() - 1);
    else if (point.y() > viewportHeight)
        bar->setValue(bar->value() + 1);
}
