#include "app/window/console/ConsoleAccessible.h"

#include "app/console/ConsoleEmulator.h"
#include "app/window/console/ConsoleView.h"

#include <algorithm>

namespace {

QAccessibleInterface* consoleInterface(const QString&, QObject* object)
{
    if (auto* view = qobject_cast<ConsoleView*>(object))
        return new ConsoleAccessible(view);
    return nullptr;
}

} // namespace

ConsoleAccessible::ConsoleAccessible(ConsoleView* view)
    : QAccessibleWidget(view, QAccessible::EditableText, QObject::tr("Console"))
{}

void ConsoleAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(consoleInterface);
        return true;
    }();
    (void)installed;
}

ConsoleView* ConsoleAccessible::view() const
{
    return static_cast<ConsoleView*>(widget());
}

QStringList ConsoleAccessible::rows() const
{
    const ConsoleEmulator& screen = view()->emulator();
    QStringList rows;
    for (int line = 0; line < screen.rows(); ++line)
        rows << QString::fromStdString(screen.rowText(line - view()->scrolledBack()));
    return rows;
}

int ConsoleAccessible::rowOffset(const QStringList& rows, int row) const
{
    int offset = 0;
    for (int i = 0; i < std::min(row, static_cast<int>(rows.size())); ++i)
        offset += static_cast<int>(rows[i].size()) + 1;
    return offset;
}

void* ConsoleAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State ConsoleAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString ConsoleAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value)
        return rows().join(QLatin1Char('\n'));
    return QAccessibleWidget::text(kind);
}

void ConsoleAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0)
        return;
    // The selection as text is found in the text of the rows in view, where it shows.
    const QString selected = view()->selectedText();
    const QString all = rows().join(QLatin1Char('\n'));
    const qsizetype at = selected.isEmpty() ? -1 : all.indexOf(selected);
    if (at >= 0) {
        *startOffset = static_cast<int>(at);
        *endOffset = static_cast<int>(at + selected.size());
    }
}

int ConsoleAccessible::selectionCount() const
{
    int start = 0, end = 0;
    selection(0, &start, &end);
    return end > start ? 1 : 0;
}

int ConsoleAccessible::cursorPosition() const
{
    const ConsoleEmulator::Cursor cursor = view()->emulator().cursor();
    const QStringList lines = rows();
    const int row = cursor.row + view()->scrolledBack();
    if (row >= lines.size())
        return characterCount();
    return rowOffset(lines, row) + std::min(cursor.col, static_cast<int>(lines[row].size()));
}

QString ConsoleAccessible::text(int startOffset, int endOffset) const
{
    const QString all = rows().join(QLatin1Char('\n'));
    startOffset = std::clamp(startOffset, 0, static_cast<int>(all.size()));
    endOffset = std::clamp(endOffset, startOffset, static_cast<int>(all.size()));
    return all.mid(startOffset, endOffset - startOffset);
}

int ConsoleAccessible::characterCount() const
{
    return static_cast<int>(rows().join(QLatin1Char('\n')).size());
}

QRect ConsoleAccessible::characterRect(int offset) const
{
    const QStringList lines = rows();
    int row = 0;
    while (row + 1 < lines.size() && rowOffset(lines, row + 1) <= offset)
        ++row;
    const QSize cell = view()->cellSize();
    const QRect rect((offset - rowOffset(lines, row)) * cell.width(), row * cell.height(), cell.width(), cell.height());
    return QRect(view()->mapToGlobal(rect.topLeft()), rect.size());
}

int ConsoleAccessible::offsetAtPoint(const QPoint& point) const
{
    const QPoint local = view()->mapFromGlobal(point);
    const QStringList lines = rows();
    const QSize cell = view()->cellSize();
    const int row = std::clamp(local.y() / cell.height(), 0, static_cast<int>(lines.size()) - 1);
    return rowOffset(lines, row) + std::clamp(local.x() / cell.width(), 0, static_cast<int>(lines[row].size()));
}

QString ConsoleAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    *startOffset = offset;
    *endOffset = offset;
    return QString();
}

void ConsoleAccessible::announce(ConsoleView* view, QString& lastLine)
{
    if (!QAccessible::isActive())
        return;
    const ConsoleEmulator::Cursor cursor = view->emulator().cursor();
    const QString line = QString::fromStdString(view->emulator().rowText(cursor.row));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(view);
    if (!face || !face->textInterface())
        return;
    QAccessibleTextCursorEvent moved(view, face->textInterface()->cursorPosition());
    QAccessible::updateAccessibility(&moved);
    if (line != lastLine) {
        lastLine = line;
        QAccessibleValueChangeEvent changed(view, line);
        QAccessible::updateAccessibility(&changed);
    }
}
