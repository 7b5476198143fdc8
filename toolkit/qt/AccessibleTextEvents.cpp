#include "toolkit/qt/AccessibleTextEvents.h"

#include "toolkit/qt/TextAnnouncer.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QAccessible>

#include <algorithm>

namespace {

// What a screen reader is given of a burst at a time: the newest lines, as many as one says in
// a breath; the rest is there to read in the view.
constexpr int linesTold = 3;
constexpr std::size_t unitsTold = 480;

// The newest part of text worth telling of its last `count` units.
std::size_t newsStart(const std::u16string& text, std::uint64_t count)
{
    std::size_t start = text.size() - static_cast<std::size_t>(std::min<std::uint64_t>(count, text.size()));
    start = std::max(start, text.size() > unitsTold ? text.size() - unitsTold : 0);
    int breaks = 0;
    for (std::size_t i = text.size() - 1; i > start; --i) {
        if (text[i - 1] == u'\n' && ++breaks == linesTold)
            return i;
    }
    return start;
}

} // namespace

AccessibleTextEvents::AccessibleTextEvents(TextViewWidget& view)
    : view_(view), told_(view.model().string()), lastTotal_(view.model().droppedCount() + view.model().length())
{
    announcer_ = new TextAnnouncer(view, [this](std::uint64_t from, std::uint64_t to) {
        const std::u16string& text = view_.model().string();
        const std::size_t start = text.empty() ? 0 : newsStart(text, to - from);
        return TextAnnouncer::News{QString::fromUtf16(text.data() + start, static_cast<qsizetype>(text.size() - start)),
                                   static_cast<int>(start)};
    });
}

void AccessibleTextEvents::changed(bool textChanged, bool selectionChanged)
{
    const bool editable = view_.model().isEditable();
    if (textChanged)
        editable ? edited() : arrived();
    // A read-only view's caret moves only with the user; the text rolling under it is no move.
    if (selectionChanged || (editable && textChanged))
        moved();
}

void AccessibleTextEvents::arrived()
{
    const std::uint64_t total = view_.model().droppedCount() + view_.model().length();
    if (total > lastTotal_)
        received_ += total - lastTotal_;
    lastTotal_ = total;
    announcer_->arrived(received_);
}

void AccessibleTextEvents::setSink(Sink sink)
{
    sink_ = std::move(sink);
}

bool AccessibleTextEvents::listened() const
{
    return sink_ || QAccessible::isActive();
}

void AccessibleTextEvents::tell(QAccessibleEvent& event) const
{
    if (sink_)
        sink_(event);
    else
        QAccessible::updateAccessibility(&event);
}

void AccessibleTextEvents::edited()
{
    // Kept whether or not anyone listens, so one that starts late hears the next edit against
    // the text as it was.
    const std::u16string& now = view_.model().string();
    if (!listened()) {
        told_ = now;
        return;
    }
    const std::size_t shorter = std::min(told_.size(), now.size());
    const auto prefix = static_cast<std::size_t>(
        std::mismatch(told_.begin(), told_.begin() + static_cast<std::ptrdiff_t>(shorter), now.begin()).first -
        told_.begin());
    std::size_t suffix = 0;
    while (suffix < shorter - prefix && told_[told_.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    const auto part = [&](const std::u16string& text) {
        return QString::fromUtf16(text.data() + prefix, static_cast<qsizetype>(text.size() - prefix - suffix));
    };
    const QString removed = part(told_);
    const QString inserted = part(now);
    const int at = static_cast<int>(prefix);
    if (!removed.isEmpty() && !inserted.isEmpty()) {
        QAccessibleTextUpdateEvent event(&view_, at, removed, inserted);
        tell(event);
    } else if (!removed.isEmpty()) {
        QAccessibleTextRemoveEvent event(&view_, at, removed);
        tell(event);
    } else if (!inserted.isEmpty()) {
        QAccessibleTextInsertEvent event(&view_, at, inserted);
        tell(event);
    }
    told_ = now;
}

void AccessibleTextEvents::moved()
{
    if (!listened())
        return;
    const TextRange selected = view_.model().selectedRange();
    if (selected != toldSelection_ && (selected.length > 0 || toldSelection_.length > 0)) {
        QAccessibleTextSelectionEvent event(&view_, static_cast<int>(selected.location),
                                            static_cast<int>(selected.end()));
        tell(event);
    }
    const std::size_t caret = view_.caretPosition();
    if (caret != toldCaret_) {
        QAccessibleTextCursorEvent event(&view_, static_cast<int>(caret));
        tell(event);
    }
    toldSelection_ = selected;
    toldCaret_ = caret;
}
