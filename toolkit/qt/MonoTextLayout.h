// Where each code unit of a text sits on a grid of equal cells: the line breaks of a
// monospace view, computed with integers only so a whole buffer lays out in microseconds.
// LF, CR, CR LF, U+2028 and U+2029 end a line and take no cell; every other unit takes one.
// Escapes ("\13", "\0xD") are kept whole on a line, and chosen ones may end it.
#pragma once

#include "toolkit/AttributedText.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class MonoTextLayout {
public:
    struct Line {
        std::size_t start; // first code unit
        std::size_t end;   // one past the last unit that takes a cell
        std::size_t next;  // start of the following line: end plus the line break, if any
    };

    // Where a text holds escapes. Each run is made only of escapes, each a backslash and what
    // follows it up to the next backslash or the run's end ("\13\10"); runs are in order.
    struct Escapes {
        std::vector<TextRange> runs;
        // A line ends after each escape that reads as one of these, as after a line break.
        std::vector<std::u16string> endingLine;
    };

    static bool isLineBreak(char16_t unit) { return unit == u'\n' || unit == u'\r' || unit == 0x2028 || unit == 0x2029; }

    // Wraps lines longer than columns (at least 1), inside an escape run only before a
    // backslash, unless one escape is longer than a line. There is always at least one line.
    void layout(std::u16string_view text, int columns, const Escapes& escapes = {});

    int columns() const { return columns_; }
    std::size_t lineCount() const { return lines_.size(); }
    const Line& line(std::size_t index) const { return lines_[index]; }

    // The line a caret at position is drawn on, and its column there. A position inside a
    // line break (between CR and LF) sits at the end of its line; one at a soft wrap starts
    // the next line.
    std::size_t lineOf(std::size_t position) const;
    int columnOf(std::size_t position) const;
    // The caret position nearest column on line: never past the line's last cell, and never at
    // the end of a line that wraps, whose end is the next line's start.
    std::size_t positionAt(std::size_t line, int column) const;

private:
    void findEscapeLineEnds(std::u16string_view text, const Escapes& escapes);

    std::vector<Line> lines_;
    std::vector<std::size_t> escapeLineEnds_; // just after each escape that ends a line
    int columns_ = 1;
};
