#include "toolkit/AttributedText.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <tuple>

namespace {

struct RunShape {
    std::size_t location;
    std::size_t length;
    const Color* color;
    bool operator==(const RunShape&) const = default;
};

std::vector<RunShape> shape(const AttributedText& text)
{
    std::vector<RunShape> result;
    for (const AttributedText::Run& run : text.runs())
        result.push_back({run.location, run.length, run.color.get()});
    return result;
}

const Color* gray() { return grayColor().get(); }

// How runs merge shows in the random edits below; what is left is a text appended to itself.
TEST(AttributedText, AWholeTextAppendedMergesAtTheSeamEvenAppendedToItself)
{
    AttributedText head;
    head.append(u"a");
    head.append(u"\\1", grayColor());
    AttributedText tail(u"\\2", grayColor());
    tail.append(u"b");
    head.append(tail);
    head.append(head);
    EXPECT_EQ(head.string(), u"a\\1\\2ba\\1\\2b");
    EXPECT_EQ(shape(head), (std::vector<RunShape>{
                               {0, 1, nullptr}, {1, 4, gray()}, {5, 2, nullptr}, {7, 4, gray()}, {11, 1, nullptr}}));
}

TEST(AttributedText, ReplaceCharactersSplicesRunsAndAttributeAtIndexReportsTheWholeRun)
{
    AttributedText text;
    text.append(u"ab");
    text.append(u"\\13\\10", grayColor());
    text.append(u"c");
    const std::tuple<std::size_t, ColorRef, TextRange> runs[] = {
        {0, nullptr, {0, 2}}, {2, grayColor(), {2, 6}}, {7, grayColor(), {2, 6}}, {8, nullptr, {8, 1}}};
    for (const auto& [index, color, run] : runs) {
        TextRange range;
        EXPECT_EQ(text.attributeAtIndex(index, &range), color) << index;
        EXPECT_EQ(range, run) << index;
    }
    EXPECT_THROW(text.attributeAtIndex(9), std::out_of_range);
    EXPECT_THROW(text.replaceCharacters({8, 2}, u"x"), std::out_of_range);
    EXPECT_THROW(text.replaceCharacters({1, SIZE_MAX}, u"x"), std::out_of_range);

    // Edits anywhere, of any length and colour, come out as the same text built afresh: the
    // part before the edit, the new text, the part after it, with runs as long as they can be.
    std::mt19937 random(7);
    const ColorRef colors[] = {nullptr, grayColor(), makeColor(1, 2, 3)};
    for (int round = 0; round < 3000; ++round) {
        const std::size_t from = random() % (text.length() + 1);
        const TextRange range{from, random() % (text.length() - from + 1) / (round % 2 + 1)};
        const std::u16string piece(random() % 4, static_cast<char16_t>(u'a' + round % 26));
        const ColorRef& color = colors[random() % 3];
        AttributedText expected = text.attributedSubstring({0, range.location});
        expected.append(piece, color);
        expected.append(text.attributedSubstring({range.end(), text.length() - range.end()}));
        text.replaceCharacters(range, piece, color);
        ASSERT_EQ(text.string(), expected.string()) << round;
        ASSERT_EQ(shape(text), shape(expected)) << round;
    }
}

} // namespace
