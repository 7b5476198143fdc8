// A console on screen: the emulator's cells painted in a monospace font, the scroll-back
// behind a scroll bar, the wheel and Shift+Page Up/Down, a mouse selection (a word on double
// click, a line on triple) copied as text, and a flash for the bell. Keys typed here go to
// the device as the console's keys encode them, through `send`. It redraws at most 60 times
// a second however fast the emulator is fed, and follows new lines only while the user is
// at the bottom. Its size in cells is the emulator's.
#pragma once

#include "app/console/ConsoleFrame.h"
#include "app/console/ConsoleKey.h"
#include "app/window/console/ConsoleGlyphs.h"

#include <QBasicTimer>
#include <QFont>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class ConsoleEmulator;
class ConsoleKeys;
class QuietScrollBar;

class ConsoleView : public QWidget {
    Q_OBJECT

public:
    static constexpr int frameInterval = 16; // milliseconds: 60 redraws a second at most
    static constexpr int wheelLines = 3;

    // Both must outlive the view. `send` takes the bytes of each key and paste.
    ConsoleView(ConsoleEmulator& emulator, ConsoleKeys& keys, std::function<void(const std::string&)> send,
                QWidget* parent = nullptr);

    const ConsoleEmulator& emulator() const { return emulator_; }
    // The emulator was fed: the view catches up at its next frame.
    void changed();
    // Told the new size in cells when the widget's size changes it.
    void whenResized(std::function<void(int rows, int cols)> hook) { resized_ = std::move(hook); }
    // Lines above the bottom the view is scrolled to; 0 follows new lines.
    int scrolledBack() const { return back_; }
    void scrollTo(int linesBack);
    QSize cellSize() const { return {cellWidth_, cellHeight_}; }
    bool isFlashing() const { return flash_.isActive(); }
    // The selection's text, "" when none: rows joined by LF, trailing blanks dropped.
    QString selectedText() const;
    // Characters and rows of a selection in the emulator's rows (negative: scroll-back).
    struct Spot {
        int row = 0;
        int col = 0;
        auto operator<=>(const Spot&) const = default;
    };
    void select(Spot from, Spot to);

public slots:
    void copy();
    void paste();
    void selectAll();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // ConsoleViewInput.cpp: which keys are the device's rather than the window's.
    bool isDevicesKey(const QKeyEvent& event) const;
    std::optional<ConsoleKey> consoleKey(int key) const;
    void typed(const std::string& bytes);

    void catchUp();
    void showScrollRange();
    void paintRow(QPainter& painter, int y, int row);
    Spot spotAt(QPoint point) const;
    bool isSelected(int row, int col) const;
    std::pair<Spot, Spot> ordered() const;
    void selectWord(Spot at);
    void selectLine(Spot at);
    void shiftSelection(long lines);
    int textWidth() const;
    // Repaints every cell from the screen as it is now. Only the cells: the scroll bar over the
    // right edge is a child, and a repaint of the whole view would repaint it too.
    void refreshCells();
    // A frame of new output: the rows that moved up are moved in the window's pixels and only
    // the rows that changed are painted.
    void refreshChanged(long scrolled);
    ConsoleCell cellAt(int row, int col) const;

    ConsoleEmulator& emulator_;
    ConsoleKeys& keys_;
    std::function<void(const std::string&)> send_;
    std::function<void(int, int)> resized_;
    QuietScrollBar* bar_;
    QFont font_;
    QFont bold_;
    ConsoleGlyphs glyphs_;
    int cellWidth_ = 8;
    int cellHeight_ = 16;
    int ascent_ = 12;
    bool runsAlign_ = true; // a run of characters is as wide as its cells
    int back_ = 0;
    int bells_ = 0;
    QBasicTimer frame_;
    QBasicTimer flash_;
    std::optional<Spot> anchor_;
    Spot end_;
    bool selecting_ = false;
    qint64 lastDoubleClick_ = 0;
    QPoint doubleClickAt_;
    QString cursorLine_; // as assistive technology heard it last
    ConsoleFrame shown_; // what the pixels show while the view is at the bottom
    ConsoleFrame next_;  // the frame before, its storage kept for the next capture
};
