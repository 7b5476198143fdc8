// What each row of a text view's viewport shows, remembered from one refresh to the next, so
// that a change repaints only the rows it touched and moves the pixels of rows that only
// scrolled. Knows the layout and the text, not the widget: the caller scrolls and repaints.
#pragma once

#include "toolkit/AttributedText.h"
#include "toolkit/qt/MonoTextLayout.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class ShownRows {
public:
    struct Change {
        bool all = false;       // nothing to compare with: repaint the whole viewport
        int shift = 0;          // row i now shows what row i + shift showed
        std::vector<int> dirty; // rows to repaint once the pixels have moved
    };

    // Describes count rows from line first on, with the selection and a caret, and tells how
    // they differ from what the last call described.
    Change refresh(const MonoTextLayout& layout, const AttributedText& text, TextRange selection, std::size_t caret,
                   std::size_t first, int count);
    // Forget what is shown: the next refresh repaints everything.
    void clear() { shown_.clear(); }

private:
    struct Row {
        std::u16string units;
        std::vector<std::pair<std::size_t, std::uint32_t>> colors; // stretches of cells; 0 for plain text
        std::size_t selectedFrom = 0;                              // highlighted cells, a line break included
        std::size_t selectedTo = 0;
        int caretColumn = -1;
        std::size_t hash = 0;
        bool operator==(const Row&) const = default;
    };

    static void describe(Row& row, const MonoTextLayout& layout, const AttributedText& text, TextRange selection,
                         std::size_t index, int caretColumn);
    int matches(int shift) const;

    std::vector<Row> shown_;
    std::vector<Row> next_;
};
