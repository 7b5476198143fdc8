#include "toolkit/qt/TextViewAccessible.h"

#include "toolkit/qt/TextViewWidget.h"
#include "toolkit/qt/installAccessible.h"

#include <algorithm>

TextViewAccessible::TextViewAccessible(TextViewWidget* view) : QAccessibleWidget(view, QAccessible::EditableText) {}

void TextViewAccessible::install()
{
    installAccessible<TextViewWidget, TextViewAccessible>();
}

TextViewWidget* TextViewAccessible::view() const
{
    return static_cast<TextViewWidget*>(widget());
}

TextView& TextViewAccessible::model() const
{
    return view()->model();
}

void* TextViewAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface && model().isEditable())
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::Role TextViewAccessible::role() const
{
    // Screen readers read a terminal's new text as it comes, as they do in terminal emulators.
    return model().isEditable() ? QAccessible::EditableText : QAccessible::Terminal;
}

QAccessible::State TextViewAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = !model().isEditable();
    state.editable = model().isEditable();
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString TextViewAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value)
        return QString::fromStdU16String(model().string());
    return QAccessibleWidget::text(kind);
}

void TextViewAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    const TextRange selected = model().selectedRange();
    const bool shown = selectionIndex == 0 && selected.length > 0;
    *startOffset = shown ? static_cast<int>(selected.location) : 0;
    *endOffset = shown ? static_cast<int>(selected.end()) : 0;
}

int TextViewAccessible::selectionCount() const
{
    return model().selectedRange().length > 0 ? 1 : 0;
}

void TextViewAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void TextViewAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        setCursorPosition(cursorPosition());
}

void TextViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    const auto from = static_cast<std::size_t>(std::max(0, std::min(startOffset, endOffset)));
    const auto to = static_cast<std::size_t>(std::max(0, std::max(startOffset, endOffset)));
    model().setSelectedRange(TextRange{from, to - from});
    if (to > from)
        model().setHeld(true); // as a selection made with the mouse, it stays where it is read
}

int TextViewAccessible::cursorPosition() const
{
    return static_cast<int>(view()->caretPosition());
}

void TextViewAccessible::setCursorPosition(int position)
{
    model().setSelectedRange(TextRange{static_cast<std::size_t>(std::max(0, position)), 0});
}

QString TextViewAccessible::text(int startOffset, int endOffset) const
{
    const std::u16string& text = model().string();
    const auto from = static_cast<std::size_t>(std::clamp(startOffset, 0, characterCount()));
    const auto to = static_cast<std::size_t>(std::clamp(endOffset, static_cast<int>(from), characterCount()));
    return QString::fromUtf16(text.data() + from, static_cast<qsizetype>(to - from));
}

bool TextViewAccessible::lineNear(int offset, int step, int* startOffset, int* endOffset) const
{
    const MonoTextLayout& layout = view()->textLayout();
    const auto at =
        static_cast<long long>(layout.lineOf(static_cast<std::size_t>(std::clamp(offset, 0, characterCount()))));
    const long long index = at + step;
    if (index < 0 || index >= static_cast<long long>(layout.lineCount()))
        return false;
    const MonoTextLayout::Line& line = layout.line(static_cast<std::size_t>(index));
    *startOffset = static_cast<int>(line.start);
    *endOffset = static_cast<int>(line.next);
    return true;
}

QString TextViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                             int* endOffset) const
{
    if (boundaryType != QAccessible::LineBoundary)
        return QAccessibleTextInterface::textBeforeOffset(offset, boundaryType, startOffset, endOffset);
    if (!lineNear(offset, -1, startOffset, endOffset))
        *startOffset = *endOffset = -1;
    return text(*startOffset, *endOffset);
}

QString TextViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                            int* endOffset) const
{
    if (boundaryType != QAccessible::LineBoundary)
        return QAccessibleTextInterface::textAfterOffset(offset, boundaryType, startOffset, endOffset);
    if (!lineNear(offset, 1, startOffset, endOffset))
        *startOffset = *endOffset = -1;
    return text(*startOffset, *endOffset);
}

QString TextViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                         int* endOffset) const
{
    if (boundaryType != QAccessible::LineBoundary)
        return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
    lineNear(offset, 0, startOffset, endOffset); // there is always a line
    return text(*startOffset, *endOffset);
}

int TextViewAccessible::characterCount() const
{
    return static_cast<int>(model().length());
}

QRect TextViewAccessible::characterRect(int offset) const
{
    const QRect cell = view()->cellRect(static_cast<std::size_t>(std::clamp(offset, 0, characterCount())));
    return QRect(view()->viewport()->mapToGlobal(cell.topLeft()), cell.size());
}

int TextViewAccessible::offsetAtPoint(const QPoint& point) const
{
    const QPoint local = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(local))
        return -1;
    return static_cast<int>(view()->positionAt(local));
}

void TextViewAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    const auto from = static_cast<std::size_t>(std::clamp(startIndex, 0, characterCount()));
    const auto to = static_cast<std::size_t>(std::clamp(endIndex, static_cast<int>(from), characterCount()));
    model().scrollRangeToVisible(TextRange{from, to - from});
}

QString TextViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    // Colours mark escapes, which the text spells out already: no attributes, all along.
    (void)offset;
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}

void TextViewAccessible::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void TextViewAccessible::insertText(int offset, const QString& text)
{
    replaceText(offset, offset, text);
}

void TextViewAccessible::replaceText(int startOffset, int endOffset, const QString& text)
{
    const auto from = static_cast<std::size_t>(std::clamp(std::min(startOffset, endOffset), 0, characterCount()));
    const auto to = static_cast<std::size_t>(std::clamp(std::max(startOffset, endOffset), 0, characterCount()));
    model().userReplaceCharacters(TextRange{from, to - from}, text.toStdU16String(), EditKind::Other);
}
