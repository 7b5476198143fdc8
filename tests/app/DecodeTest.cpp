#include "app/decode.h"
#include "app/filterString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

struct Piece {
    std::u16string_view text;
    ColorRef color;
};

AttributedText build(std::initializer_list<Piece> pieces)
{
    AttributedText result;
    for (const Piece& piece : pieces)
        result.append(piece.text, piece.color);
    return result;
}

const ColorRef& gray() { return grayColor(); }

// decode() logs two lines per call; keep them out of the test output, or hand them back.
std::u16string decodeQuietly(const AttributedText& text, int mode, std::string* log = nullptr)
{
    testing::internal::CaptureStdout();
    std::u16string result = decode(text, mode);
    const std::string captured = testing::internal::GetCapturedStdout();
    if (log)
        *log = captured;
    return result;
}

std::u16string decodeGray(std::u16string_view escapes, int mode)
{
    return decodeQuietly(build({{escapes, gray()}}), mode);
}

TEST(Decode, EscapesBecomeTheirCharactersAndPlainTextStays)
{
    EXPECT_EQ(decodeQuietly(build({{u"ab", {}}, {u"\\13\\10", gray()}, {u"c", {}}}), 1), u"ab\r\nc");
    EXPECT_EQ(decodeGray(u"\\65\\66\\0", 2), std::u16string(u"AB\0", 3));
    EXPECT_EQ(decodeGray(u"\\0x41\\0x4a\\0x0", 3), std::u16string(u"AJ\0", 3));
    // Hand-typed backslashes are plain text, so they are data.
    EXPECT_EQ(decodeQuietly(build({{u"\\65", {}}, {u"\\66", gray()}}), 2), u"\\65B");
    // Only what follows a separator is an escape.
    EXPECT_EQ(decodeGray(u"x\\65", 2), u"A");
    EXPECT_EQ(decodeGray(u"65", 2), u"");
    EXPECT_EQ(decodeGray(u"\\65", 3), u"");
    EXPECT_EQ(decodeGray(u"41\\0x42", 3), u"B");
    // An escape whose digits were deleted stands for nothing, not for a NUL.
    EXPECT_EQ(decodeGray(u"\\\\65\\", 2), u"A");
    EXPECT_EQ(decodeGray(u"\\0x\\0x41", 3), u"A");
    // Numbers are read like atoi and strtol, and kept only when they name a byte.
    EXPECT_EQ(decodeGray(u"\\0x0X4a\\0x+4B\\0x41zz\\0x 42", 3), u"JKAB");
    EXPECT_EQ(decodeQuietly(build({{u"a", {}}, {u"\\65\\300\\66", gray()}, {u"b", {}}}), 2), u"aABb");
    // 4294967361 and 0x100000041 keep 65 in their low 32 bits; -4294967295 wraps to 1.
    EXPECT_EQ(decodeGray(u"\\-5\\4294967361\\-4294967295\\99999999999999999999\\67", 2), u"C");
    EXPECT_EQ(decodeGray(u"\\0x100000041\\0x-1\\0xFFFFFFFF\\0x43", 3), u"C");
    EXPECT_EQ(decodeGray(u"\\256\\255\\-0", 1), std::u16string(u"\u00FF\0", 2));
}

TEST(Decode, ForeignColoursAreDroppedInEscapedModesAndKeptOtherwise)
{
    const ColorRef red = makeColor(0xFF, 0, 0);
    const ColorRef lookalike = makeColor(grayColor()->red, grayColor()->green, grayColor()->blue);
    const AttributedText text =
        build({{u"a", {}}, {u"red", red}, {u"\\66", gray()}, {u"\\67", lookalike}, {u"c", {}}});
    for (const int mode : {1, 2})
        EXPECT_EQ(decodeQuietly(text, mode), u"aBc") << mode;
    EXPECT_EQ(decodeQuietly(text, 3), u"ac");
    for (const int mode : {0, -1, 4})
        EXPECT_EQ(decodeQuietly(text, mode), u"ared\\66\\67c") << mode;
}

TEST(Decode, LogsTheTextBeforeAndAfterAsUtf8)
{
    // U+00E9, U+20AC, U+1F600 as a pair, a lone high surrogate, and a NUL in both lines.
    const std::u16string plain(u"h\u00E9\u20AC\U0001F600\xD800\0", 7);
    std::string log;
    decodeQuietly(build({{plain, {}}, {u"\\65\\0", gray()}}), 2, &log);
    EXPECT_EQ(log, "DECODED: BEFORE: h\u00E9\u20AC\U0001F600\uFFFD\\65\\0\n"
                   "DECODED: AFTER: h\u00E9\u20AC\U0001F600\uFFFDA\n");

    decodeQuietly(build({{u"\\65", gray()}}), 0, &log);
    EXPECT_EQ(log, "DECODED: BEFORE: \\65\n");
    decodeQuietly(AttributedText(), 3, &log);
    EXPECT_EQ(log, "DECODED: BEFORE: \nDECODED: AFTER: \n");

    // Long enough for the 7-bit fast path and for more than one piece of the line, with
    // surrogate pairs across a 16-unit block and across pieces, a NUL and a U+00E9.
    std::u16string text;
    std::string expected = "DECODED: BEFORE: ";
    const auto add = [&](std::u16string_view units, std::string_view bytes) {
        text += units;
        expected += bytes;
    };
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
    decodeQuietly(AttributedText(text), 0, &log);
    EXPECT_EQ(log, expected + "\n");
}

TEST(Decode, APositionMapsToWhatTheTextBeforeItStandsFor)
{
    // Where a caret goes after a rebuild: after the characters the text before it stands for,
    // read as if the text ended there, so a cut inside an escape reads what is before the cut.
    // Random runs of escape syntax, cut everywhere, against reading each cut text anew.
    std::mt19937 random(2024);
    const std::u16string_view pieces[] = {u"\\", u"\\0x", u"0", u"x", u"X", u"1", u"4", u"9", u"F", u"a", u"z", u" ", u"+", u"-", u"300"};
    const ColorRef colors[] = {nullptr, gray(), gray(), makeColor(0xFF, 0, 0)};
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
            // Mixed mode leaves exactly the printable characters plain.
            std::size_t plain = 0;
            for (const AttributedText::Run& run : rendered.runs())
                plain += run.color ? 0 : run.length;
            const auto printable = [](char16_t c) { return c >= 0x21 && c <= 0x7E; };
            ASSERT_EQ(plain, mode == 1 ? static_cast<std::size_t>(std::count_if(text.begin(), text.end(), printable)) : 0);
            ASSERT_EQ(decodeQuietly(rendered, mode), text) << "mode " << mode << " round " << round;
        }
    }
}

} // namespace
