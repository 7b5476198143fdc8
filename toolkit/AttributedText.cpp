#include "toolkit/AttributedText.h"

#include <cassert>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <stdexcept>

AttributedText::AttributedText(std::u16string text, ColorRef color)
    : text_(std::move(text))
{
    appendRun(text_.size(), color);
}

AttributedText::AttributedText(std::u16string text, std::vector<Run> runs)
    : text_(std::move(text)), runs_(std::move(runs))
{
    assert(runs_.empty() ? text_.empty() : runs_.back().location + runs_.back().length == text_.size());
}

void AttributedText::appendRun(std::size_t length, const ColorRef& color)
{
    if (length == 0)
        return;
    if (!runs_.empty() && runs_.back().color == color) {
        runs_.back().length += length;
        return;
    }
    const std::size_t location = runs_.empty() ? 0 : runs_.back().location + runs_.back().length;
    runs_.push_back(Run{location, length, color});
}

void AttributedText::append(std::u16string_view text, const ColorRef& color)
{
    text_.append(text);
    appendRun(text.size(), color);
}

void AttributedText::append(char16_t unit, const ColorRef& color)
{
    text_.push_back(unit);
    appendRun(1, color);
}

void AttributedText::append(const AttributedText& other)
{
    if (&other == this) {
        // The run loop below would walk a vector that it is growing.
        const AttributedText copy(*this);
        append(copy);
        return;
    }
    text_.append(other.text_);
    for (const Run& run : other.runs_)
        appendRun(run.length, run.color);
}

void AttributedText::clear()
{
    text_.clear();
    runs_.clear();
}

std::size_t AttributedText::runIndexAt(std::size_t index) const
{
    // The last run that starts at or before index.
    const auto it = std::upper_bound(runs_.begin(), runs_.end(), index,
                                     [](std::size_t i, const Run& run) { return i < run.location; });
    return static_cast<std::size_t>(it - runs_.begin()) - 1;
}

const ColorRef& AttributedText::attributeAtIndex(std::size_t index, TextRange* effectiveRange) const
{
    if (index >= text_.size())
        throw std::out_of_range("AttributedText::attributeAtIndex");
    const Run& run = runs_[runIndexAt(index)];
    if (effectiveRange)
        *effectiveRange = TextRange{run.location, run.length};
    return run.color;
}

void AttributedText::replaceCharacters(TextRange range, std::u16string_view text, const ColorRef& color)
{
    if (range.location > text_.size() || range.length > text_.size() - range.location)
        throw std::out_of_range("AttributedText::replaceCharacters");
    // Edited in place: typing into a long text must not copy the whole of it. Only the runs
    // from the one before the edit to the one holding its end change; later ones just move.
    const std::size_t from = range.location;
    const std::size_t to = range.end();
    const std::size_t first = from > 0 ? runIndexAt(from - 1) : 0;
    const std::size_t last = static_cast<std::size_t>(
        std::upper_bound(runs_.begin(), runs_.end(), to, [](std::size_t i, const Run& run) { return i < run.location; })
        - runs_.begin());

    // What is left of the first run, the new text, what is left of the last run.
    Run pieces[3];
    std::size_t count = 0;
    std::size_t at = from > 0 ? runs_[first].location : 0;
    const auto add = [&](std::size_t length, const ColorRef& pieceColor) {
        if (length == 0)
            return;
        if (count > 0 && pieces[count - 1].color == pieceColor)
            pieces[count - 1].length += length;
        else
            pieces[count++] = Run{at, length, pieceColor};
        at += length;
    };
    if (from > 0)
        add(from - runs_[first].location, runs_[first].color);
    add(text.size(), color);
    if (to < text_.size())
        add(runs_[last - 1].location + runs_[last - 1].length - to, runs_[last - 1].color);

    text_.replace(from, range.length, text);
    for (std::size_t i = last; i < runs_.size(); ++i)
        runs_[i].location = runs_[i].location - range.length + text.size();
    const std::size_t replaced = last - first;
    for (std::size_t i = 0; i < std::min(count, replaced); ++i)
        runs_[first + i] = std::move(pieces[i]);
    if (count > replaced)
        runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(last), std::make_move_iterator(pieces + replaced),
                     std::make_move_iterator(pieces + count));
    else
        runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(first + count),
                    runs_.begin() + static_cast<std::ptrdiff_t>(last));
}

bool AttributedText::operator==(const AttributedText& other) const
{
    // Lengths first, then the units as bytes: a long text is compared after every keystroke.
    if (text_.size() != other.text_.size() || runs_.size() != other.runs_.size()
        || std::memcmp(text_.data(), other.text_.data(), text_.size() * sizeof(char16_t)) != 0)
        return false;
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        if (runs_[i].length != other.runs_[i].length || runs_[i].color != other.runs_[i].color)
            return false;
    }
    return true;
}

AttributedText AttributedText::attributedSubstring(TextRange range) const
{
    if (range.location > text_.size() || range.length > text_.size() - range.location)
        throw std::out_of_range("AttributedText::attributedSubstring");
    AttributedText part;
    part.text_ = text_.substr(range.location, range.length);
    for (const Run& run : runs_) {
        const std::size_t from = std::max(range.location, run.location);
        const std::size_t to = std::min(range.end(), run.location + run.length);
        if (from < to)
            part.appendRun(to - from, run.color);
    }
    return part;
}
