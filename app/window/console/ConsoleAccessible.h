// What assistive technology knows of a console: a read-only, multi-line text whose text is the
// rows in view (trailing blanks dropped, rows joined by LF), the caret at the terminal's cursor
// and the mouse selection as its selection. announce() tells that the cursor moved, and the
// cursor's line as the value whenever that line changed.
#pragma once

#include <QAccessibleWidget>
#include <QStringList>

class ConsoleView;

class ConsoleAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ConsoleAccessible(ConsoleView* view);

    // Makes Qt ask this class for every console view; once is enough.
    static void install();
    // After the view caught up with its emulator: the cursor and its line, if they changed.
    static void announce(ConsoleView* view, QString& lastLine);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override;
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    ConsoleView* view() const;
    QStringList rows() const;
    // The offset of a row's first character in the text.
    int rowOffset(const QStringList& rows, int row) const;
};
