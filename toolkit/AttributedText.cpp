#include "toolkit/AttributedText.h"

#include <algorithm>
#include <stdexcept>

AttributedText::AttributedText(std::u16string text, ColorRef color)
    : text_(std::move(text))
{
    appendRun(text_.size(), color);
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
    // The part before the edit, the new text, the part after it.
    AttributedText result = attributedSubstring(TextRange{0, range.location});
    result.append(text, color);
    result.append(attributedSubstring(TextRange{range.end(), text_.size() - range.end()}));
    *this = std::move(result);
}

bool AttributedText::operator==(const AttributedText& other) const
{
    if (text_ != other.text_ || runs_.size() != other.runs_.size())
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
