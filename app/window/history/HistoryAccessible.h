// What assistive technology knows of a history view: a read-only, multi-line text whose text
// is the rows in view (a 64 MiB history is read the way it is seen, a screen at a time), with
// the caret at the start of the caret's line and the selected lines as its selection.
#pragma once

#include <QAccessibleWidget>

class HistoryLinesView;

class HistoryAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit HistoryAccessible(HistoryLinesView* view);

    // Makes Qt ask this class for every history view; once is enough.
    static void install();

    void* interface_cast(QAccessible::InterfaceType type) override;
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
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    HistoryLinesView* view() const;
    // The selected rows in view, as (first, last) rows; false when none shows.
    bool selectedVisibleRows(int& first, int& last) const;
    void selectOffsets(int startOffset, int endOffset);
};
