#include "app/decode.h"
#include "app/filterString.h"

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
    const std::pair<char16_t, AttributedText> cases[] = {
        {u'!', AttributedText(u"!")}, {u'~', AttributedText(u"~")},   {u'\\', AttributedText(u"\\")},
        {0x0000, gray(u"\\0")},       {0x0020, gray(u"\\32")},        {0x007F, gray(u"\\127")},
        {0x00C3, gray(u"\\195")},     {0x00FF, gray(u"\\255")},       {0x20AC, gray(u"\\172")},
        {0x0141, AttributedText(u"A")}, {0x0100, gray(u"\\0")},       {0xFF7E, AttributedText(u"~")},
    };
    for (const auto& [unit, expected] : cases)
        EXPECT_EQ(filterString(std::u16string(1, unit), 1), expected) << int(unit);
    EXPECT_EQ(filterString(u"A B\r\n", 1), build({{u"A", {}}, {u"\\32", grayColor()}, {u"B", {}}, {u"\\13\\10", grayColor()}}));
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
    EXPECT_EQ(decodeGray(u"x\\65", 2), u"A");
    EXPECT_EQ(decodeGray(u"65", 2), u"");
    EXPECT_EQ(decodeGray(u"41\\0x42", 3), u"B");
    // An escape whose digits were deleted stands for nothing, not for a NUL.
    EXPECT_EQ(decodeGray(u"\\\\65\\", 2), u"A");
    EXPECT_EQ(decodeGray(u"\\0x\\0x41", 3), u"A");
    // Numbers are read like atoi and strtol, and kept only when they name a byte.
    EXPECT_EQ(decodeGray(u"\\0x0X4a\\0x+4B\\0x41zz\\0x 42", 3), u"JKAB");
    EXPECT_EQ(decodeEscapes(build({{u"a", {}}, {u"\\65\\300\\66", grayColor()}, {u"b", {}}}), 2), u"aABb");
    // 4294967361 and 0x100000041 keep 65 in their low 32 bits; -4294967295 wraps to 1.
    EXPECT_EQ(decodeGray(u"\\-5\\4294967361\\-4294967295\\99999999999999999999\\67", 2), u"C");
    EXPECT_EQ(decodeGray(u"\\0x100000041\\0x-1\\0xFFFFFFFF\\0x43", 3), u"C");
    EXPECT_EQ(decodeGray(u"\\256\\255\\-0", 1), std::u16string(u"\u00FF\0", 2));

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

    // Long enough for the 7-bit fast path and for more than one piece of the line, with
    // surrogate pairs across a 16-unit block and across pieces, a NUL and a U+00E9.
    std::u16string text;
    std::string expected = "DECODED: BEFORE: ";
    const auto add = [&](std::u16string_view units, std::string_view bytes) { text += units; expected += bytes; };
    while (text.size() < 5000) {
        const auto ascii = static_cast<char>('!' + text.size() % 90);
        if (text.size() == 31 || text.size() == 4095)
            add(u"\U0001F600", "\U0001F600");
        else if (text.size() == 47)
            add(u"\u00E9", "\u00E9");
        else if (text.size() == 55)
            add(std::u16string_view(u"\0", 1), "");
        else
            add(std::u16string(1, static_cast<char16_t>(ascii)), std::string(1, ascii));
    }
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

TEST(Decode, UndoesTheFilterForEveryByteValue)
{
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> unit(0, 0xFF);
    std::uniform_int_distribution<std::size_t> length(0, 64);
    for (const int mode : {1, 2, 3}) {
        for (int round = 0; round < 300; ++round) {
            std::u16string text(length(random), u'\0');
            for (char16_t& c : text)
                c = static_cast<char16_t>(unit(random));
            const AttributedText rendered = filterString(text, mode);
            ASSERT_EQ(decodeEscapes(rendered, mode), text) << "mode " << mode << " round " << round;
        }
    }
}

} // namespace
