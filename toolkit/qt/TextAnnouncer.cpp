#include "toolkit/qt/TextAnnouncer.h"

#include <QAccessible>
#include <QWidget>

TextAnnouncer::TextAnnouncer(QWidget& view, std::function<News(std::uint64_t, std::uint64_t)> describe)
    : QObject(&view), view_(view), describe_(std::move(describe))
{
    later_.setSingleShot(true);
    connect(&later_, &QTimer::timeout, this, [this] { announce(); });
}

void TextAnnouncer::setSink(Sink sink)
{
    sink_ = std::move(sink);
}

bool TextAnnouncer::listened() const
{
    return view_.hasFocus() && view_.window()->isActiveWindow() && (sink_ || QAccessible::isActive());
}

void TextAnnouncer::caughtUp(std::uint64_t end)
{
    announced_ = end_ = end;
    later_.stop();
}

void TextAnnouncer::arrived(std::uint64_t end)
{
    if (!listened()) {
        caughtUp(end);
        return;
    }
    end_ = end;
    if (end_ <= announced_ || later_.isActive())
        return;
    const qint64 since = sinceLast_.isValid() ? sinceLast_.elapsed() : interval;
    if (since >= interval)
        announce();
    else
        later_.start(static_cast<int>(interval - since));
}

void TextAnnouncer::announce()
{
    if (!listened() || end_ <= announced_) {
        caughtUp(end_);
        return;
    }
    const News news = describe_(announced_, end_);
    announced_ = end_;
    sinceLast_.start();
    if (sink_) {
        sink_(news.text);
        return;
    }
    QAccessibleTextInsertEvent event(&view_, news.position, news.text);
    QAccessible::updateAccessibility(&event);
}
