// What assistive technology knows of a TextViewWidget: its whole text, the caret, the
// selection, the lines as the view wraps them and where each character is on screen. A
// read-only view reads as a terminal's display, an editor as editable text whose edits go
// through its model, so what the model refuses from the keyboard it refuses from here too.
#pragma once

#include <QAccessibleWidget>

class TextView;
class TextViewWidget;

class TextViewAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit TextViewAccessible(TextViewWidget* view);

    // Makes Qt ask this class for every text view and editor; once is enough.
    static void install();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    // Lines are the view's own, wrapped at its width; other boundaries are Qt's.
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                             int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                            int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    TextViewWidget* view() const;
    TextView& model() const;
    // The wrapped line `step` lines from the one holding offset, as [start, end) with its
    // line break; false when there is none.
    bool lineNear(int offset, int step, int* startOffset, int* endOffset) const;
};
