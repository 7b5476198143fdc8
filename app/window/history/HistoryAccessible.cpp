#include "app/window/history/HistoryAccessible.h"

#include "app/window/history/HistoryLinesView.h"
#include "toolkit/qt/installAccessible.h"

#include <QScrollBar>

#include <algorithm>

HistoryAccessible::HistoryAccessible(HistoryLinesView* view)
    : QAccessibleWidget(view, QAccessible::EditableText, QObject::tr("Received history"))
{
}

void HistoryAccessible::install()
{
    installAccessible<HistoryLinesView, HistoryAccessible>();
}

HistoryLinesView* HistoryAccessible::view() const
{
    return static_cast<HistoryLinesView*>(widget());
}

void* HistoryAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State HistoryAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString HistoryAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value)
        return view()->visibleText();
    return QAccessibleWidget::text(kind);
}

bool HistoryAccessible::selectedVisibleRows(int& first, int& last) const
{
    const auto rows = view()->selectedRows();
    if (!rows)
        return false;
    const std::uint64_t top = view()->firstId() + static_cast<std::uint64_t>(view()->firstVisibleRow());
    const std::uint64_t end = std::min(view()->endId(), top + static_cast<std::uint64_t>(view()->visibleRowCount()));
    if (rows->second < top || rows->first >= end)
        return false;
    first = static_cast<int>(std::max(rows->first, top) - top);
    last = static_cast<int>(std::min(rows->second, end - 1) - top);
    return true;
}

void HistoryAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    int first = 0, last = 0;
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !selectedVisibleRows(first, last))
        return;
    *startOffset = view()->visibleRowOffset(first);
    *endOffset = view()->visibleRowOffset(last + 1);
}

int HistoryAccessible::selectionCount() const
{
    int first = 0, last = 0;
    return selectedVisibleRows(first, last) ? 1 : 0;
}

void HistoryAccessible::selectOffsets(int startOffset, int endOffset)
{
    const std::uint64_t top = view()->firstId() + static_cast<std::uint64_t>(view()->firstVisibleRow());
    const int last = std::max(startOffset, endOffset - 1);
    view()->selectRows(top + static_cast<std::uint64_t>(view()->visibleRowAt(startOffset)),
                       top + static_cast<std::uint64_t>(view()->visibleRowAt(last)));
}

void HistoryAccessible::addSelection(int startOffset, int endOffset)
{
    selectOffsets(startOffset, endOffset);
}

void HistoryAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        view()->clearSelection();
}

void HistoryAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        selectOffsets(startOffset, endOffset);
}

int HistoryAccessible::cursorPosition() const
{
    const int row = view()->caretRow();
    return row < 0 ? 0 : view()->visibleRowOffset(row);
}

void HistoryAccessible::setCursorPosition(int position)
{
    selectOffsets(position, position);
}

QString HistoryAccessible::text(int startOffset, int endOffset) const
{
    const QString text = view()->visibleText();
    startOffset = std::clamp(startOffset, 0, static_cast<int>(text.size()));
    endOffset = std::clamp(endOffset, startOffset, static_cast<int>(text.size()));
    return text.mid(startOffset, endOffset - startOffset);
}

int HistoryAccessible::characterCount() const
{
    return static_cast<int>(view()->visibleText().size());
}

QRect HistoryAccessible::characterRect(int offset) const
{
    const int row = view()->visibleRowAt(offset);
    const int column = offset - view()->visibleRowOffset(row);
    const QRect line = view()->rowRect(row);
    const int cell = view()->fontMetrics().horizontalAdvance(QLatin1Char('M'));
    const QRect rect(4 + column * cell, line.top(), cell, line.height());
    return QRect(view()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

int HistoryAccessible::offsetAtPoint(const QPoint& point) const
{
    const QPoint local = view()->viewport()->mapFromGlobal(point);
    const int row = std::clamp(view()->rowAt(local), 0, view()->visibleRowCount() - 1);
    const int cell = std::max(1, view()->fontMetrics().horizontalAdvance(QLatin1Char('M')));
    const int start = view()->visibleRowOffset(row);
    const int length = view()->visibleRowOffset(row + 1) - start - 1;
    return start + std::clamp((local.x() - 4) / cell, 0, std::max(0, length));
}

void HistoryAccessible::scrollToSubstring(int, int)
{
    // The text is what is in view: it is already there.
}

QString HistoryAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    *startOffset = offset;
    *endOffset = offset;
    return QString();
}
