#include "toolkit/qt/RefreshPacer.h"

#include <utility>

RefreshPacer::RefreshPacer(std::function<void()> catchUp)
{
    catchUp_.setSingleShot(true);
    catchUp_.setInterval(interval);
    QObject::connect(&catchUp_, &QTimer::timeout, [this, catchUp = std::move(catchUp)] {
        heldBack_ = false;
        catchUp();
    });
}

bool RefreshPacer::shouldPaint(bool busy)
{
    if (busy && !heldBack_ && sinceBusyPaint_.isValid() && sinceBusyPaint_.elapsed() < interval) {
        heldBack_ = true;
        catchUp_.start();
        return false;
    }
    if (busy)
        sinceBusyPaint_.start();
    heldBack_ = false;
    catchUp_.stop();
    return true;
}
