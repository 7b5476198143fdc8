#include "app/text/decode.h"
#include "app/text/filterString.h"

#include "tests/support/LogCapture.h"

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
    // Where a character starts in the result, in every mode; past the end is the end.
    for (const int mode : {0, 1, 2, 3}) {
        for (std::size_t index = 0; index <= text.size() + 1; ++index) {
            std::size_t at = 0;
            filterString(text, mode, index, at);
            EXPECT_EQ(at, filterString(text.substr(0, index), mode).length()) << mode << " " << index;
        }
    }
}

TEST(Decode, EscapesBecomeTheirCharactersAndPlainTextStays)
{
    EXPECT_EQ(decodeEscapes(build({{u"ab", {}}, {u"\\13\\10", grayColor()}, {u"c", {}}}), 1), u"ab\r\nc");
    // Hand-typed backslashes are plain text, so they are data.
    EXPECT_EQ(decodeEscapes(build({{u"\\65", {}}, {u"\\66", grayColor()}}), 2), u"\\65B");
    // Only what follows a separator is an escape.
    EXPECT_EQ(decodeGray(u"65x\\65", 2), u"A");
    EXPECT_EQ(decodeGray(u"41\\0x42", 3), u"B");
    // An escape whose digits were deleted stands for nothing, not for a NUL.
    EXPECT_EQ(decodeGray(u"\\\\65\\", 2), u"A");
    EXPECT_EQ(decodeGray(u"\\0x\\0x41", 3), u"A");
    // Numbers are read like atoi and strtol, and kept only when they name a byte.
    EXPECT_EQ(decodeGray(u"\\0x0X4a\\0x+4B\\0x41zz\\0x 42", 3), u"JKAB");
    EXPECT_EQ(decodeEscapes(build({{u"a", {}}, {u"\\65\\300\\66\\-0", grayColor()}, {u"b", {}}}), 1),
              std::u16string(u"aAB\0b", 5));
    // 4294967361 and 0x100000041 keep 65 in their low 32 bits; -4294967295 wraps to 1.
    EXPECT_EQ(decodeGray(u"\\-5\\4294967361\\-4294967295\\99999999999999999999\\67", 2), u"C");
    EXPECT_EQ(decodeGray(u"\\0x100000041\\0x-1\\0xFFFFFFFF\\0x43", 3), u"C");

    // Text of another colour, even one that looks gray, is dropped in the escaped modes.
    const ColorRef lookalike = makeColor(grayColor()->red, grayColor()->green, grayColor()->blue);
    const AttributedText text = build(
        {{u"a", {}}, {u"red", makeColor(0xFF, 0, 0)}, {u"\\66", grayColor()}, {u"\\67", lookalike}, {u"c", {}}});
    for (const int mode : {1, 2})
        EXPECT_EQ(decodeEscapes(text, mode), u"aBc") << mode;
    EXPECT_EQ(decodeEscapes(text, 3), u"ac");
    for (const int mode : {0, -1, 4})
        EXPECT_EQ(decodeEscapes(text, mode), u"ared\\66\\67c") << mode;
}

TEST(Decode, LogsTheTextBeforeAndAfterAsUtf8)
{
    LogCapture lines;
    const auto logged = [&](const AttributedText& text, int mode) {
        decode(text, mode);
        return lines.take();
    };
    // U+00E9, U+20AC, U+1F600 as a pair, a lone high surrogate, and a NUL in both lines.
    const std::u16string plain(u"h\u00E9\u20AC\U0001F600\xD800\0", 7);
    EXPECT_EQ(logged(build({{plain, {}}, {u"\\65\\0", grayColor()}}), 2),
              "DECODED: BEFORE: h\u00E9\u20AC\U0001F600\uFFFD\\65\\0\n"
              "DECODED: AFTER: h\u00E9\u20AC\U0001F600\uFFFDA\n");
    EXPECT_EQ(logged(gray(u"\\65"), 0), "DECODED: BEFORE: \\65\n");
    EXPECT_EQ(logged(AttributedText(), 3), "DECODED: BEFORE: \nDECODED: AFTER: \n");

    // Long enough for the 7-bit fast path and for more than one piece of the line, with surrogate
    // pairs across a 16-unit block and across pieces.
    const std::u16string text = std::u16string(31, u'a') + u"\U0001F600" + std::u16string(4062, u'b') + u"\U0001F600" +
                                std::u16string(900, u'c');
    const std::string expected = "DECODED: BEFORE: " + std::string(31, 'a') + "\U0001F600" + std::string(4062, 'b') +
                                 "\U0001F600" + std::string(900, 'c');
    EXPECT_EQ(logged(AttributedText(text), 0), expected + "\n");
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
