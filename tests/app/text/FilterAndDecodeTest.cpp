#include "app/text/decode.h"
#include "app/text/filterString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

namespace {

AttributedText build(std::initializer_list<std::pair<std::u16string_view, ColorRef>> pieces)
{
    AttributedText result;
    for (const auto& [text, color] : pieces)
        result.append(text, color);
    return result;
}

AttributedText gray(std::u16string_view text) { return AttributedText(std::u16string(text), grayColor()); }
std::u16string decodeGray(std::u16string_view escapes, int mode) { return decodeEscapes(gray(escapes), mode); }

TEST(FilterString, TextModeAndUnknownModesCopyTheTextUncoloured)
{
    const std::u16string text = u"a\\b\r\n\u20AC\0z";
    for (const int mode : {0, -1, 4, INT_MIN, INT_MAX})
        EXPECT_EQ(filterString(text, mode), AttributedText(text)) << mode;
}

TEST(FilterString, MixedModeLooksOnlyAtTheLowByteAndEscapesSpaceAndControlsInOneGrayStretch)
{
    // Printable ASCII stays, a backslash too; space, controls, DEL and 0x80-0xFF are escaped.
    const std::u16string text(u"A B\\\r\n\0\u007F\u00FF\u20AC\u0141~", 12);
    EXPECT_EQ(filterString(text, 1), build({{u"A", {}}, {u"\\32", grayColor()}, {u"B\\", {}},
                                            {u"\\13\\10\\0\\127\\255\\172", grayColor()}, {u"A~", {}}}));
}

TEST(FilterString, NumericModesEscapeEveryWholeUnitInOneGrayRun)
{
    const std::u16string text(u"\nA\u00FF\u20AC\uFFFF\\\0\u0100", 8);
    EXPECT_EQ(filterString(text, 2), gray(u"\\10\\65\\255\\8364\\65535\\92\\0\\256"));
    EXPECT_EQ(filterString(text, 3), gray(u"\\0xA\\0x41\\0xFF\\0x20AC\\0xFFFF\\0x5C\\0x0\\0x100"));
}

TEST(FilterString, APositionMapsToWhereItsCharacterStartsInTheResultAndPastTheEndToTheEnd)
{
    const std::u16string text(u"\nA\u00FF\u20AC\uFFFF\\\0\u0100", 8);
    for (const int mode : {0, 1, 2, 3}) {
        for (std::size_t index = 0; index <= text.size() + 1; ++index) {
            std::size_t at = 0;
            filterString(text, mode, index, at);
            EXPECT_EQ(at, filterString(text.substr(0, index), mode).length()) << mode << " " << index;
        }
    }
}

TEST(Decode, GrayEscapesAfterASeparatorBecomeTheirCharactersAndPlainTextStaysData)
{
    EXPECT_EQ(decodeEscapes(build({{u"ab", {}}, {u"\\13\\10", grayColor()}, {u"c", {}}}), 1), u"ab\r\nc");
    // Hand-typed backslashes are plain text, so they are data.
    EXPECT_EQ(decodeEscapes(build({{u"\\65", {}}, {u"\\66", grayColor()}}), 2), u"\\65B");
    EXPECT_EQ(decodeGray(u"65x\\65", 2), u"A");
    EXPECT_EQ(decodeGray(u"41\\0x42", 3), u"B");
    // An escape whose digits were deleted stands for nothing, not for a NUL.
    EXPECT_EQ(decodeGray(u"\\\\65\\", 2), u"A");
    EXPECT_EQ(decodeGray(u"\\0x\\0x41", 3), u"A");
}

TEST(Decode, NumbersAreReadLikeAtoiAndStrtolAndKeptOnlyWhenTheyNameAByte)
{
    EXPECT_EQ(decodeGray(u"\\0x0X4a\\0x+4B\\0x41zz\\0x 42", 3), u"JKAB");
    EXPECT_EQ(decodeEscapes(build({{u"a", {}}, {u"\\65\\300\\66\\-0", grayColor()}, {u"b", {}}}), 1),
              std::u16string(u"aAB\0b", 5));
    // 4294967361 and 0x100000041 keep 65 in their low 32 bits; -4294967295 wraps to 1.
    EXPECT_EQ(decodeGray(u"\\-5\\4294967361\\-4294967295\\99999999999999999999\\67", 2), u"C");
    EXPECT_EQ(decodeGray(u"\\0x100000041\\0x-1\\0xFFFFFFFF\\0x43", 3), u"C");
}

TEST(Decode, TextOfAnotherColourEvenOneThatLooksGrayIsDroppedInTheEscapedModes)
{
    const ColorRef lookalike = makeColor(grayColor()->red, grayColor()->green, grayColor()->blue);
    const AttributedText text = build(
        {{u"a", {}}, {u"red", makeColor(0xFF, 0, 0)}, {u"\\66", grayColor()}, {u"\\67", lookalike}, {u"c", {}}});
    for (const int mode : {1, 2})
        EXPECT_EQ(decodeEscapes(text, mode), u"aBc") << mode;
    EXPECT_EQ(decodeEscapes(text, 3), u"ac");
    for (const int mode : {0, -1, 4})
        EXPECT_EQ(decodeEscapes(text, mode), u"ared\\66\\67c") << mode;
}

TEST(Decode, APositionMapsToWhatTheTextBeforeItStandsFor)
{
    // Where a caret goes after a rebuild: after what the text before it stands for, read as if the text
    // ended there. Random runs of escape syntax, cut everywhere, against reading each cut text anew.
    std::mt19937 random(2024);
    const std::u16string_view pieces[] = {u"\\", u"\\0x", u"0", u"x", u"X", u"1", u"4", u"9", u"F", u"a", u"z", u" ", u"+", u"-", u"300"};
    const ColorRef colors[] = {nullptr, grayColor(), grayColor(), makeColor(0xFF, 0, 0)};
    for (int round = 0; round < 300; ++round) {
        AttributedText text;
        for (std::size_t run = random() % 5; run > 0; --run) {
            std::u16string units;
            for (std::size_t piece = random() % 8; piece > 0; --piece)
                units += pieces[random() % std::size(pieces)];
            text.append(units, colors[random() % 4]);
        }
        for (const int mode : {0, 1, 2, 3}) {
            for (std::size_t position = 0; position <= text.length() + 1; ++position) {
                std::size_t mapped = 0;
                ASSERT_EQ(decodeEscapes(text, mode, position, &mapped), decodeEscapes(text, mode));
                ASSERT_EQ(mapped, decodeEscapes(text.attributedSubstring({0, std::min(position, text.length())}), mode).size())
                    << "mode " << mode << " round " << round << " position " << position;
            }
        }
    }
}

} // namespace
