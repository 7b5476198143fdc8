#include "app/decode.h"
#include "app/filterString.h"

#include <gtest/gtest.h>

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

TEST(Decode, EscapesBecomeTheirCharactersAndPlainTextStays)
{
    EXPECT_EQ(decodeQuietly(build({{u"ab", {}}, {u"\\13\\10", gray()}, {u"c", {}}}), 1), u"ab\r\nc");
    EXPECT_EQ(decodeQuietly(build({{u"\\65\\66", gray()}}), 2), u"AB");
    EXPECT_EQ(decodeQuietly(build({{u"\\0x41\\0x42", gray()}}), 3), u"AB");
    // Hand-typed backslashes are plain text, so they are data.
    EXPECT_EQ(decodeQuietly(build({{u"\\65", {}}, {u"\\66", gray()}}), 2), u"\\65B");
}

TEST(Decode, HexEscapesAreReadLikeStrtol)
{
    EXPECT_EQ(decodeQuietly(build({{u"\\0x4a", gray()}}), 3), u"J");
    EXPECT_EQ(decodeQuietly(build({{u"\\0x0X4a\\0x+4B", gray()}}), 3), u"JK");
    EXPECT_EQ(decodeQuietly(build({{u"\\0x41zz\\0x 42", gray()}}), 3), u"AB");
}

TEST(Decode, NumbersOutsideAByteAreSkippedAndTheRestKept)
{
    EXPECT_EQ(decodeQuietly(build({{u"a", {}}, {u"\\65\\300\\66", gray()}, {u"b", {}}}), 2), u"aABb");
    // 4294967361 and 0x100000041 keep 65 in their low 32 bits; -4294967295 wraps to 1.
    EXPECT_EQ(decodeQuietly(build({{u"\\-5\\4294967361\\-4294967295\\99999999999999999999\\67", gray()}}), 2),
              u"C");
    EXPECT_EQ(decodeQuietly(build({{u"\\0x100000041\\0x-1\\0xFFFFFFFF\\0x43", gray()}}), 3), u"C");
    EXPECT_EQ(decodeQuietly(build({{u"\\256\\255\\-0", gray()}}), 1), std::u16string(u"\u00FF\0", 2));
}

TEST(Decode, OnlyWhatFollowsASeparatorIsAnEscape)
{
    EXPECT_EQ(decodeQuietly(build({{u"x\\65", gray()}}), 2), u"A");
    EXPECT_EQ(decodeQuietly(build({{u"65", gray()}}), 2), u"");
    EXPECT_EQ(decodeQuietly(build({{u"\\65", gray()}}), 3), u"");
    EXPECT_EQ(decodeQuietly(build({{u"41\\0x42", gray()}}), 3), u"B");
    // An escape whose digits were deleted stands for nothing, not for a NUL.
    EXPECT_EQ(decodeQuietly(build({{u"\\\\65\\", gray()}}), 2), u"A");
    EXPECT_EQ(decodeQuietly(build({{u"\\0x\\0x41", gray()}}), 3), u"A");
}

TEST(Decode, ZeroIsACharacterInEveryEscapedMode)
{
    const std::u16string nul(1, u'\0');
    EXPECT_EQ(decodeQuietly(build({{u"\\0", gray()}}), 1), nul);
    EXPECT_EQ(decodeQuietly(build({{u"\\0", gray()}}), 2), nul);
    EXPECT_EQ(decodeQuietly(build({{u"\\0x0", gray()}}), 3), nul);
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
}

TEST(Decode, LogsLongTextWhole)
{
    // Long enough for the 7-bit fast path, with a NUL, a U+00E9 and a surrogate pair placed
    // inside and across its 16-unit blocks.
    std::u16string text;
    std::string expected = "DECODED: BEFORE: ";
    for (int i = 0; i < 70; ++i) {
        if (i == 55) {
            text += u'\0';
        } else if (i == 31) {
            text += u"\U0001F600";
            expected += "\U0001F600";
            ++i;
        } else if (i == 47) {
            text += u'\u00E9';
            expected += "\u00E9";
        } else {
            text += static_cast<char16_t>(u'!' + i);
            expected += static_cast<char>('!' + i);
        }
    }
    std::string log;
    decodeQuietly(AttributedText(text), 0, &log);
    EXPECT_EQ(log, expected + "\n");
}

// Escapes must be exactly the gray characters: in mixed mode every plain character is one
// printable unit of the input, and every gray run is whole escapes.
void expectOnlyEscapesGray(const AttributedText& rendered, const std::u16string& text, int mode)
{
    std::size_t plainUnits = 0;
    for (const AttributedText::Run& run : rendered.runs()) {
        const std::u16string_view chars = rendered.runText(run);
        if (run.color == grayColor()) {
            EXPECT_EQ(chars.front(), u'\\');
            EXPECT_NE(chars.back(), u'\\');
        } else {
            ASSERT_EQ(run.color, nullptr);
            plainUnits += chars.size();
        }
    }
    std::size_t printable = 0;
    for (const char16_t unit : text)
        printable += unit >= 0x21 && unit <= 0x7E;
    EXPECT_EQ(plainUnits, mode == 1 ? printable : 0);
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
            expectOnlyEscapesGray(rendered, text, mode);
            ASSERT_EQ(decodeQuietly(rendered, mode), text) << "mode " << mode << " round " << round;
        }
    }
}

TEST(Decode, UnitsAboveAByteDoNotSurviveTheEscapedViews)
{
    const std::u16string text = u"a\u20ACb";
    EXPECT_EQ(decodeQuietly(filterString(text, 1), 1), u"a\u00ACb");
    EXPECT_EQ(decodeQuietly(filterString(text, 2), 2), u"ab");
    EXPECT_EQ(decodeQuietly(filterString(text, 3), 3), u"ab");
}

} // namespace
