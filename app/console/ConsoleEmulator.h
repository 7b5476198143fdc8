// A terminal screen behind a console: libvterm reads what the device sends (VT100/VT220/xterm
// sequences) in the window's text encoding, and this keeps what is drawn: the cells of the
// screen and of the scroll-back, the cursor, the title the device set, the bells it rang and
// which rows changed since the view last looked. What the emulator answers the device (status
// reports) and the bytes of keys it encodes wait in output() until taken.
#pragma once

#include "app/console/ConsoleCell.h"
#include "app/console/ConsoleInput.h"
#include "app/console/ConsoleKey.h"
#include "app/console/ConsoleScrollback.h"
#include "app/console/CsiGuard.h"
#include "app/console/VTermCellReader.h"
#include "app/text/TextEncoding.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

struct VTerm;
struct VTermScreen;

class ConsoleEmulator {
public:
    static constexpr std::size_t defaultScrollback = 10000;
    // libvterm 0.1 writes past a screen too narrow for a wide character.
    static constexpr int minCols = 2;

    ConsoleEmulator(int rows, int cols, std::size_t scrollbackLines = defaultScrollback);
    ConsoleEmulator(const ConsoleEmulator&) = delete;
    ConsoleEmulator& operator=(const ConsoleEmulator&) = delete;
    ~ConsoleEmulator();

    // How later bytes read as characters; a sequence split by the change is lost.
    void setEncoding(TextEncoding encoding);
    TextEncoding encoding() const { return input_.encoding(); }
    void feed(std::string_view bytes);
    // At least one row and minCols columns. Lines that leave the top go to the scroll-back.
    void resize(int rows, int cols);
    int rows() const { return rows_; }
    int cols() const { return cols_; }

    // Rows 0 to rows()-1 are the screen; -1 to -scrollbackLines() the scroll-back, -1 the
    // newest. Outside both, or past a row's columns, a blank.
    ConsoleCell cell(int row, int col) const;
    int scrollbackLines() const { return static_cast<int>(scrollback_.size()); }
    // A row's characters as UTF-8, trailing blanks dropped, a wide character once.
    std::string rowText(int row) const;
    // The blank of the default colours.
    ConsoleCell blank() const { return blank_; }

    struct Cursor {
        int row = 0;
        int col = 0;
        bool visible = true;
    };
    // col is cols() after the last column is written, until the next character wraps.
    Cursor cursor() const;
    bool altScreen() const { return altScreen_; }
    // The window title the device set last (UTF-8), "" for none.
    const std::string& title() const { return title_; }
    int bells() const { return bells_; }

    // What changed since the last take: the rows of the screen drawn over, and how many lines
    // went to the scroll-back meanwhile (which moves every row of a scrolled view).
    struct Damage {
        int firstRow = -1; // -1: no row
        int lastRow = -1;
        long scrolled = 0;
        bool cursorMoved = false;
        bool any() const { return firstRow >= 0 || scrolled > 0 || cursorMoved; }
    };
    Damage takeDamage();

    // Keys as this terminal encodes them, in its present modes (application cursor keys),
    // into output().
    void key(ConsoleKey key, ConsoleModifiers modifiers);
    // Marks the start and end of a paste, when the device asked for bracketed paste.
    void startPaste();
    void endPaste();
    // Bytes for the device: the emulator's answers and encoded keys, in order.
    std::string takeOutput();
    bool hasOutput() const { return !output_.empty(); }

private:
    struct Callbacks;
    struct VTermDeleter {
        void operator()(VTerm* vterm) const;
    };

    ConsoleCell screenCell(int row, int col) const;
    // Everything libvterm reads goes through the guard.
    void write(std::string_view bytes);
    // Acts on a REP the guard took over: the character before the cursor, `count` times more.
    void repeatBeforeCursor(int count);
    void damage(int firstRow, int lastRow);
    // Writes `before`, then puts the cursor back on the screen if it is off it, or always.
    void keepCursorOnScreen(bool always, const std::string& before);

    std::unique_ptr<VTerm, VTermDeleter> vterm_;
    VTermScreen* screen_ = nullptr;
    mutable VTermCellReader reader_; // reading a cell only remembers colours
    ConsoleInput input_;
    int rows_;
    int cols_;
    ConsoleScrollback scrollback_;
    ConsoleCell blank_;
    Cursor cursor_;
    bool altScreen_ = false;
    std::string title_;
    int bells_ = 0;
    Damage damage_;
    std::string output_;
    CsiGuard guard_;
    std::string guarded_;
};
