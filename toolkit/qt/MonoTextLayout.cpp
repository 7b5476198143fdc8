#include "toolkit/qt/MonoTextLayout.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// Whether any of the four units packed in word ends a line. A lane is zero after the XOR
// only where it matched; the subtraction borrows into the top bit of a zero lane.
bool holdsLineBreak(std::uint64_t word)
{
    constexpr std::uint64_t ones = 0x0001'0001'0001'0001;
    constexpr std::uint64_t tops = 0x8000'8000'8000'8000;
    const auto anyZero = [](std::uint64_t lanes) { return (lanes - ones) & ~lanes & tops; };
    return (anyZero(word ^ (ones * u'\n')) | anyZero(word ^ (ones * u'\r')) | anyZero((word | ones) ^ (ones * 0x2029))) != 0;
}

// The first line break in [from, to), or to. Editors hold megabytes of escapes with no line
// break, laid out again after every keystroke, so four units are tested at a time.
std::size_t findLineBreak(std::u16string_view text, std::size_t from, std::size_t to)
{
    std::size_t i = from;
    for (; i + 4 <= to; i += 4) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, sizeof word);
        if (holdsLineBreak(word))
            break;
    }
    while (i < to && !MonoTextLayout::isLineBreak(text[i]))
        ++i;
    return i;
}

// Where a line that is full at end may wrap: at end, unless that splits an escape, when it is
// before the escape instead. run is the first run not wholly before end, kept from line to line.
std::size_t wrapPoint(std::u16string_view text, std::size_t start, std::size_t end,
                      const std::vector<TextRange>& runs, std::size_t& run)
{
    while (run < runs.size() && runs[run].end() <= end)
        ++run;
    if (run == runs.size() || runs[run].location >= end || text[end] == u'\\')
        return end;
    for (std::size_t at = end - 1; at > start && at >= runs[run].location; --at) {
        if (text[at] == u'\\')
            return at;
    }
    return end;
}

} // namespace

void MonoTextLayout::findEscapeLineEnds(std::u16string_view text, const Escapes& escapes)
{
    escapeLineEnds_.clear();
    if (escapes.endingLine.empty())
        return;
    for (const TextRange& run : escapes.runs) {
        const std::u16string_view escapesOfRun = text.substr(run.location, run.length);
        for (std::size_t from = 0; from < escapesOfRun.size();) {
            const std::size_t to = std::min(escapesOfRun.find(u'\\', from + 1), escapesOfRun.size());
            const std::u16string_view escape = escapesOfRun.substr(from, to - from);
            if (std::find(escapes.endingLine.begin(), escapes.endingLine.end(), escape) != escapes.endingLine.end())
                escapeLineEnds_.push_back(run.location + to);
            from = to;
        }
    }
}

void MonoTextLayout::layout(std::u16string_view text, int columns, const Escapes& escapes)
{
    columns_ = std::max(columns, 1);
    const auto width = static_cast<std::size_t>(columns_);
    lines_.clear();
    findEscapeLineEnds(text, escapes);
    auto escapeEnd = escapeLineEnds_.begin();
    std::size_t run = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.size(), start + width);
        // A break right after a full line still ends that line, rather than an empty one.
        const std::size_t limit = std::min(text.size(), end + 1);
        const std::size_t lineBreak = findLineBreak(text, start, limit);
        while (escapeEnd != escapeLineEnds_.end() && *escapeEnd <= start)
            ++escapeEnd;
        // A line break right after the escape ends the line by itself.
        if (escapeEnd != escapeLineEnds_.end() && *escapeEnd <= end && (lineBreak == limit || *escapeEnd < lineBreak)) {
            lines_.push_back(Line{start, *escapeEnd, *escapeEnd});
            start = *escapeEnd;
        } else if (lineBreak < limit) {
            std::size_t next = lineBreak + 1;
            if (text[lineBreak] == u'\r' && next < text.size() && text[next] == u'\n')
                ++next;
            lines_.push_back(Line{start, lineBreak, next});
            start = next;
        } else if (end < text.size()) {
            const std::size_t wrap = wrapPoint(text, start, end, escapes.runs, run);
            lines_.push_back(Line{start, wrap, wrap});
            start = wrap;
        } else {
            break;
        }
    }
    lines_.push_back(Line{start, text.size(), text.size()});
}

std::size_t MonoTextLayout::lineOf(std::size_t position) const
{
    const auto it = std::upper_bound(lines_.begin(), lines_.end(), position,
                                     [](std::size_t p, const Line& line) { return p < line.start; });
    return it == lines_.begin() ? 0 : static_cast<std::size_t>(it - lines_.begin()) - 1;
}

int MonoTextLayout::columnOf(std::size_t position) const
{
    const Line& line = lines_[lineOf(position)];
    return static_cast<int>(std::min(position, line.end) - std::min(line.start, position));
}

std::size_t MonoTextLayout::positionAt(std::size_t index, int column) const
{
    const Line& line = lines_[std::min(index, lines_.size() - 1)];
    std::size_t last = line.end;
    if (line.next == line.end && line.end > line.start && index + 1 < lines_.size())
        --last; // a wrapped line: its end belongs to the line below
    return line.start + std::min(static_cast<std::size_t>(std::max(column, 0)), last - line.start);
}
