// Text as the views hold it: UTF-16 code units, each with a foreground colour.
// Colours are stored as runs (maximal stretches of one colour), so whole-text work pays per
// run rather than per code unit, and a run is exactly what the escape decoder walks.
#pragma once

#include "toolkit/Color.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TextRange {
    std::size_t location = 0;
    std::size_t length = 0;
    std::size_t end() const { return location + length; }
    bool operator==(const TextRange&) const = default;
};

class AttributedText {
public:
    struct Run {
        std::size_t location;
        std::size_t length;
        ColorRef color;
    };

    AttributedText() = default;
    explicit AttributedText(std::u16string text, ColorRef color = {});
    // A text and its runs built together, for a caller that renders a long text in one pass:
    // the runs must cover it in order, none empty, adjacent ones in different colours.
    AttributedText(std::u16string text, std::vector<Run> runs);

    std::size_t length() const { return text_.size(); }
    bool empty() const { return text_.empty(); }
    const std::u16string& string() const { return text_; }

    void append(std::u16string_view text, const ColorRef& color = {});
    void append(char16_t unit, const ColorRef& color = {});
    void append(const AttributedText& other);
    void clear();
    // Room for this many code units, for callers that build a long text piece by piece.
    void reserve(std::size_t units) { text_.reserve(units); }

    // The code units in range with their colours.
    AttributedText attributedSubstring(TextRange range) const;

    // Replaces the code units in range with text of one colour: how an editor's edit lands.
    void replaceCharacters(TextRange range, std::u16string_view text, const ColorRef& color = {});

    // The colour at index and, in effectiveRange if given, the whole run that holds it.
    // index must be below length().
    const ColorRef& attributeAtIndex(std::size_t index, TextRange* effectiveRange = nullptr) const;

    // Runs in order; adjacent runs always differ in colour, and none is empty.
    const std::vector<Run>& runs() const { return runs_; }
    std::u16string_view runText(const Run& run) const
    {
        return std::u16string_view(text_).substr(run.location, run.length);
    }

    // Same code units, and the same colour object on each.
    bool operator==(const AttributedText& other) const;

private:
    std::size_t runIndexAt(std::size_t index) const;
    void appendRun(std::size_t length, const ColorRef& color);

    std::u16string text_;
    std::vector<Run> runs_;
};
