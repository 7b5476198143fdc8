// The history view's selection of lines, its keys, mouse and context menu, and the text of
// the rows in view that assistive technology reads.
#include "app/window/history/HistoryLinesView.h"

#include "app/history/historyText.h"
#include "toolkit/qt/scrollWhileDragging.h"

#include <QAccessible>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>

#include <algorithm>

namespace {

constexpr int margin = 4;

} // namespace

std::optional<std::pair<std::uint64_t, std::uint64_t>> HistoryLinesView::selectedRows() const
{
    if (!anchor_)
        return std::nullopt;
    return std::pair{std::min(*anchor_, caret_), std::max(*anchor_, caret_)};
}

void HistoryLinesView::selectRows(std::uint64_t anchor, std::uint64_t caret)
{
    if (endId() == firstId())
        return;
    const std::uint64_t last = endId() - 1;
    anchor_ = std::clamp(anchor, firstId(), last);
    caret_ = std::clamp(caret, firstId(), last);
    // What the user selects stays where they see it.
    setFollowing(false);
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent event(this, visibleRowOffset(std::max(0, caretRow())));
        QAccessible::updateAccessibility(&event);
    }
}

void HistoryLinesView::selectAll()
{
    selectRows(firstId(), endId());
}

void HistoryLinesView::clearSelection()
{
    anchor_.reset();
    viewport()->update();
}

std::string HistoryLinesView::selectedText() const
{
    const auto rows = selectedRows();
    if (!rows)
        return "";
    return copiedHistoryText(store_, std::max(rows->first, store_.firstLine()), rows->second + 1, gutter_, viewType_,
                             encoding_, rows->first < store_.firstLine());
}

void HistoryLinesView::copy() const
{
    if (selectedRows())
        QGuiApplication::clipboard()->setText(QString::fromStdString(selectedText()));
}

QString HistoryLinesView::visibleText() const
{
    QString text;
    const std::uint64_t top = firstId() + static_cast<std::uint64_t>(firstVisibleRow());
    const std::uint64_t end = std::min(endId(), top + static_cast<std::uint64_t>(visibleRowCount()));
    for (std::uint64_t id = top; id < end; ++id)
        text += rowText(id) + '\n';
    return text;
}

int HistoryLinesView::visibleRowOffset(int row) const
{
    int offset = 0;
    const std::uint64_t top = firstId() + static_cast<std::uint64_t>(firstVisibleRow());
    for (int r = 0; r < row && top + static_cast<std::uint64_t>(r) < endId(); ++r)
        offset += static_cast<int>(rowText(top + static_cast<std::uint64_t>(r)).size()) + 1;
    return offset;
}

int HistoryLinesView::visibleRowAt(int offset) const
{
    const std::uint64_t top = firstId() + static_cast<std::uint64_t>(firstVisibleRow());
    int row = 0;
    for (std::uint64_t id = top; id < endId() && row + 1 < visibleRowCount(); ++id, ++row) {
        offset -= static_cast<int>(rowText(id).size()) + 1;
        if (offset < 0)
            break;
    }
    return row;
}

int HistoryLinesView::caretRow() const
{
    const std::uint64_t top = firstId() + static_cast<std::uint64_t>(firstVisibleRow());
    if (!anchor_ || caret_ < top || caret_ >= top + static_cast<std::uint64_t>(visibleRowCount()))
        return -1;
    return static_cast<int>(caret_ - top);
}

QRect HistoryLinesView::rowRect(int row) const
{
    return QRect(0, margin / 2 + row * cells_.lineHeight(), viewport()->width(), cells_.lineHeight());
}

int HistoryLinesView::rowAt(QPoint point) const
{
    const int y = point.y() - margin / 2;
    return y >= 0 ? y / cells_.lineHeight() : (y + 1) / cells_.lineHeight() - 1;
}

void HistoryLinesView::moveCaret(std::int64_t by, bool extend)
{
    if (endId() == firstId())
        return;
    const std::uint64_t top = firstId() + static_cast<std::uint64_t>(firstVisibleRow());
    const std::int64_t from = static_cast<std::int64_t>(anchor_ ? caret_ : top);
    const auto to = static_cast<std::uint64_t>(
        std::clamp<std::int64_t>(from + by, static_cast<std::int64_t>(firstId()), static_cast<std::int64_t>(endId() - 1)));
    selectRows(extend && anchor_ ? *anchor_ : to, to);
    const std::uint64_t row = to - firstId();
    const auto rows = static_cast<std::uint64_t>(visibleRowCount());
    if (row < top - firstId())
        setTop(row);
    else if (row >= top - firstId() + rows)
        setTop(row - rows + 1);
}

void HistoryLinesView::keyPressEvent(QKeyEvent* event)
{
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    const auto page = static_cast<std::int64_t>(visibleRowCount());
    if (event == QKeySequence::Copy)
        copy();
    else if (event == QKeySequence::SelectAll)
        selectAll();
    else if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)
        moveCaret(event->key() == Qt::Key_Up ? -1 : 1, shift);
    else if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown)
        moveCaret(event->key() == Qt::Key_PageUp ? -page : page, shift);
    else if (event == QKeySequence::MoveToStartOfDocument) {
        setFollowing(false);
        setTop(0);
        viewport()->update();
    } else if (event == QKeySequence::MoveToEndOfDocument || event->key() == Qt::Key_End)
        followEnd();
    else if (event->key() == Qt::Key_Home)
        horizontalScrollBar()->setValue(0);
    else if (event->key() == Qt::Key_Escape && anchor_)
        clearSelection();
    else
        QAbstractScrollArea::keyPressEvent(event);
}

void HistoryLinesView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || endId() == firstId()) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const int row = std::max(0, rowAt(event->position().toPoint()));
    const std::uint64_t id = firstId() + static_cast<std::uint64_t>(firstVisibleRow() + row);
    selectRows((event->modifiers() & Qt::ShiftModifier) && anchor_ ? *anchor_ : id, id);
    dragging_ = true;
}

void HistoryLinesView::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    scrollWhileDragging(verticalScrollBar(), point, viewport()->height());
    const int row = std::clamp(rowAt(point), 0, visibleRowCount() - 1);
    selectRows(*anchor_, firstId() + static_cast<std::uint64_t>(firstVisibleRow() + row));
}

void HistoryLinesView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging_)
        return;
    dragging_ = false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (anchor_ && clipboard->supportsSelection())
        clipboard->setText(QString::fromStdString(selectedText()), QClipboard::Selection);
}

void HistoryLinesView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* copyAction = menu.addAction(tr("Copy"), this, [this] { copy(); });
    copyAction->setEnabled(anchor_.has_value());
    copyAction->setShortcut(QKeySequence::Copy);
    menu.addAction(tr("Select All"), this, [this] { selectAll(); })->setShortcut(QKeySequence::SelectAll);
    menu.addSeparator();
    menu.addAction(tr("Find\u2026"), this, [this] { emit findRequested(); })->setShortcut(QKeySequence::Find);
    menu.addSeparator();
    QMenu* stamps = menu.addMenu(tr("Timestamps"));
    auto* group = new QActionGroup(stamps);
    const std::pair<GutterMode, QString> modes[] = {
        {GutterMode::Clock, tr("Time of Day")},
        {GutterMode::SincePrevious, tr("Time Since Previous Line")},
        {GutterMode::SincePortOpened, tr("Time Since Port Opened")},
        {GutterMode::None, tr("None")},
    };
    for (const auto& [mode, name] : modes) {
        QAction* action = stamps->addAction(name, this, [this, mode = mode] { setGutterMode(mode); });
        action->setCheckable(true);
        action->setChecked(mode == gutter_);
        group->addAction(action);
    }
    menu.exec(event->globalPos());
}
