// Tells assistive technology of the lines that complete while the history view has the focus:
// at most two announcements a second, each naming the newest lines (three at most, and how
// many more came), and none while the view or its window is not the focus or nobody listens.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

class QWidget;

class HistoryAnnouncer : public QObject {
    Q_OBJECT

public:
    static constexpr int interval = 500; // milliseconds between announcements, at the least

    // describe(from, to) gives what to say of lines [from, to).
    HistoryAnnouncer(QWidget& view, std::function<QString(std::uint64_t from, std::uint64_t to)> describe);

    // The lines before end are complete: the new ones are news if the view has the focus.
    void arrived(std::uint64_t end);
    // The lines before end are not news (the view just got the focus, say).
    void caughtUp(std::uint64_t end);

    // Where announcements go instead of to assistive technology; an empty one puts that back.
    using Sink = std::function<void(const QString& text)>;
    void setSink(Sink sink);

private:
    bool listened() const;
    void announce();

    QWidget& view_;
    std::function<QString(std::uint64_t, std::uint64_t)> describe_;
    Sink sink_;
    std::uint64_t announced_ = 0; // lines before this one were told, or not news
    std::uint64_t end_ = 0;
    QElapsedTimer sinceLast_;
    QTimer later_;
};
