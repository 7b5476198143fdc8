#include "toolkit/qt/ShownRows.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

void ShownRows::describe(Row& row, const MonoTextLayout& layout, const AttributedText& text, TextRange selection,
                         std::size_t index, int caretColumn)
{
    row.units.clear();
    row.colors.clear();
    row.selectedFrom = row.selectedTo = 0;
    row.caretColumn = -1;
    row.hash = 0;
    if (index >= layout.lineCount())
        return;
    const MonoTextLayout::Line& line = layout.line(index);
    row.units.assign(text.string(), line.start, line.end - line.start);
    const auto& runs = text.runs();
    auto run = std::upper_bound(runs.begin(), runs.end(), line.start,
                                [](std::size_t p, const AttributedText::Run& r) { return p < r.location; });
    if (run != runs.begin())
        --run;
    for (std::size_t pos = line.start; pos < line.end && run != runs.end(); ++run) {
        const std::size_t to = std::min(line.end, run->location + run->length);
        const std::uint32_t color =
            run->color ? 0xFF000000u | run->color->red << 16 | run->color->green << 8 | run->color->blue : 0;
        row.colors.emplace_back(to - pos, color);
        pos = to;
    }
    const std::size_t from = std::max(selection.location, line.start);
    const std::size_t to = std::min(selection.end(), line.next);
    if (selection.length > 0 && from < to) {
        row.selectedFrom = std::min(from, line.end) - line.start;
        row.selectedTo = std::min(to, line.end) - line.start + (to > line.end ? 1 : 0);
    }
    row.caretColumn = caretColumn;
    std::size_t hash = std::hash<std::u16string>()(row.units);
    for (const auto& [cells, color] : row.colors)
        hash = hash * 1000003 ^ (cells * 31 + color);
    row.hash = hash ^ (row.selectedFrom * 7919 + row.selectedTo * 104729 + static_cast<std::size_t>(row.caretColumn + 1));
}

int ShownRows::matches(int shift) const
{
    const int count = static_cast<int>(next_.size());
    int same = 0;
    for (int i = std::max(0, -shift); i < std::min(count, count - shift); ++i) {
        const Row& now = next_[static_cast<std::size_t>(i)];
        const Row& before = shown_[static_cast<std::size_t>(i + shift)];
        same += now.hash == before.hash && now == before;
    }
    return same;
}

ShownRows::Change ShownRows::refresh(const MonoTextLayout& layout, const AttributedText& text, TextRange selection,
                                     std::size_t caret, std::size_t first, int count)
{
    const std::size_t caretLine = layout.lineOf(caret);
    next_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::size_t index = first + static_cast<std::size_t>(i);
        describe(next_[static_cast<std::size_t>(i)], layout, text, selection, index,
                 index == caretLine ? layout.columnOf(caret) : -1);
    }
    Change change;
    if (shown_.size() != next_.size()) {
        change.all = true;
        std::swap(shown_, next_);
        return change;
    }
    int best = matches(0);
    for (int candidate = 1; candidate < count && best < count - candidate; ++candidate) {
        for (const int signedShift : {candidate, -candidate}) {
            const int same = matches(signedShift);
            if (same > best) {
                best = same;
                change.shift = signedShift;
            }
        }
    }
    // Moving a row's pixels costs about what painting it does: a shift pays only when most of
    // the rows it moves are kept. A stream faster than a screen a tick keeps one or two, by
    // chance, and moving the rest would double the work.
    const int moved = count - std::abs(change.shift);
    if (change.shift != 0 && 2 * best < moved)
        change.shift = 0;
    for (int i = 0; i < count; ++i) {
        const int before = i + change.shift;
        if (before < 0 || before >= count || !(next_[static_cast<std::size_t>(i)] == shown_[static_cast<std::size_t>(before)]))
            change.dirty.push_back(i);
    }
    std::swap(shown_, next_);
    return change;
}
