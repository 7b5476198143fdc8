// Paces the refreshes of a view that follows a stream: when most of the screen is new at each
// refresh (a stream faster than anyone can read), every other one is painted, one at most per
// interval, the way a terminal's jump scroll skips frames. A refresh it holds back is never
// lost: the next one paints, or failing that catchUp is called once the interval has passed.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

class RefreshPacer {
public:
    static constexpr int interval = 150; // milliseconds: a tick and a half

    explicit RefreshPacer(std::function<void()> catchUp);

    // A refresh is due; busy when it repaints most of the screen. Answers whether to paint it
    // now; if not, the caller must treat the screen as out of date until the next refresh.
    bool shouldPaint(bool busy);

private:
    QElapsedTimer sinceBusyPaint_;
    bool heldBack_ = false;
    QTimer catchUp_;
};
