// Tells assistive technology of what arrives in a view while the view has the focus: at most
// two announcements a second, each what describe() makes of all that came since the last, and
// none while the view or its window is not the focus or nobody listens. What arrives is
// counted by a number that only grows (lines, characters), so nothing is told twice.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

class QWidget;

class TextAnnouncer : public QObject {
    Q_OBJECT

public:
    static constexpr int interval = 500; // milliseconds between announcements, at the least

    // What to say, as text inserted at position of the view's accessible text.
    struct News {
        QString text;
        int position = 0;
    };
    // describe(from, to) gives what to say of [from, to).
    TextAnnouncer(QWidget& view, std::function<News(std::uint64_t from, std::uint64_t to)> describe);

    // What came before end has arrived: what is new is news if the view has the focus.
    void arrived(std::uint64_t end);
    // What came before end is not news (the view just got the focus, say).
    void caughtUp(std::uint64_t end);

    // Where announcements go instead of to assistive technology; an empty one puts that back.
    using Sink = std::function<void(const QString& text)>;
    void setSink(Sink sink);

private:
    bool listened() const;
    void announce();

    QWidget& view_;
    std::function<News(std::uint64_t, std::uint64_t)> describe_;
    Sink sink_;
    std::uint64_t announced_ = 0; // what came before this was told, or was not news
    std::uint64_t end_ = 0;
    QElapsedTimer sinceLast_;
    QTimer later_;
};
