#include "toolkit/qt/MonoTextLayout.h"

#include <algorithm>

void MonoTextLayout::layout(std::u16string_view text, int columns)
{
    columns_ = std::max(columns, 1);
    const auto width = static_cast<std::size_t>(columns_);
    lines_.clear();
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (isLineBreak(text[i])) {
            std::size_t next = i + 1;
            if (text[i] == u'\r' && next < text.size() && text[next] == u'\n')
                ++next;
            lines_.push_back(Line{start, i, next});
            start = i = next;
        } else if (i - start == width) {
            lines_.push_back(Line{start, i, i});
            start = i++;
        } else {
            ++i;
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
