#include "app/console/ConsoleEmulator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<ConsoleCell> screen(const ConsoleEmulator& e)
{
    std::vector<ConsoleCell> cells;
    for (int row = 0; row < e.rows(); ++row)
        for (int col = 0; col < e.cols(); ++col)
            cells.push_back(e.cell(row, col));
    return cells;
}

// What a device's shell prints: a coloured prompt, a clear, cursor moves and an erase.
const std::string shell = "\x1b[1;32muser@board\x1b[0m:\x1b[34m~\x1b[0m$ ls\r\n"
                          "\x1b[2J\x1b[H\x1b[38;5;208mfirst\x1b[m\r\n\x1b[48;2;10;20;30msecond\x1b[K\x1b[0m"
                          "\x1b[5;10Hmoved\x1b[2;3H\x1b[1P\x1b[7minv\x1b[27m \xc3\xa9 \xe6\x97\xa5";

} // namespace

TEST(ConsoleEmulator, AStreamSplitAnywhereDrawsAsTheWholeDoes)
{
    ConsoleEmulator whole(8, 20);
    whole.setEncoding(TextEncodingUtf8);
    whole.feed(shell);
    for (std::size_t split = 1; split < shell.size(); ++split) {
        ConsoleEmulator parts(8, 20);
        parts.setEncoding(TextEncodingUtf8);
        parts.feed(shell.substr(0, split));
        parts.feed(shell.substr(split));
        ASSERT_EQ(screen(parts), screen(whole)) << "split at " << split;
        ASSERT_EQ(parts.cursor().col, whole.cursor().col);
    }
}

TEST(ConsoleEmulator, ClearAndCursorAddressingPlaceTextWhereTheDeviceSaid)
{
    ConsoleEmulator e(6, 20);
    e.feed("garbage\r\nmore\x1b[2J\x1b[3;5HX\x1b[1;1Htop\x1b[6;20H");
    EXPECT_EQ(e.rowText(0), "top");
    EXPECT_EQ(e.rowText(1), "");
    EXPECT_EQ(e.rowText(2), "    X");
    EXPECT_EQ(e.cursor().row, 5);
    EXPECT_EQ(e.cursor().col, 19);
    e.feed("\x1b[?25l");
    EXPECT_FALSE(e.cursor().visible);
    e.feed("\x1b[3;1H\x1b[K\x1b[1;2H\x1b[@");
    EXPECT_EQ(e.rowText(2), "");
    EXPECT_EQ(e.rowText(0), "t op");
}

TEST(ConsoleEmulator, ColoursOfEachKindResolveToRgbWithTheirAttributes)
{
    ConsoleEmulator e(2, 10);
    ConsoleCell plain = e.blank();
    e.feed("\x1b[31ma\x1b[38;5;196mb\x1b[38;2;1;2;3;48;2;4;5;6mc\x1b[0;1;4md\x1b[0;7me\x1b[0mf");
    EXPECT_NE(e.cell(0, 0).fg, plain.fg);
    EXPECT_EQ(e.cell(0, 0).fg & 0xFF0000, e.cell(0, 0).fg) << "palette red has no green or blue";
    EXPECT_EQ(e.cell(0, 1).fg, 0xFF0000u);
    EXPECT_EQ(e.cell(0, 2).fg, 0x010203u);
    EXPECT_EQ(e.cell(0, 2).bg, 0x040506u);
    EXPECT_EQ(e.cell(0, 3).attributes, ConsoleCell::Bold | ConsoleCell::Underline);
    EXPECT_EQ(e.cell(0, 4).attributes, ConsoleCell::Inverse);
    plain.ch = U'f';
    EXPECT_EQ(e.cell(0, 5), plain) << "a reset leaves neither colour nor attribute";
}

TEST(ConsoleEmulator, TextReadsInTheWindowsEncodingAndWideCharactersTakeTwoCells)
{
    ConsoleEmulator e(2, 10);
    e.feed("\xe9\xc3\xa9");
    EXPECT_EQ(e.cell(0, 0).ch, U'\u00e9');
    EXPECT_EQ(e.cell(0, 1).ch, U'\u00c3') << "Latin-1: a byte is a character";
    e.setEncoding(TextEncodingUtf8);
    e.feed("\r\n\xc3\xa9\xe6\x97\xa5x");
    EXPECT_EQ(e.cell(1, 0).ch, U'\u00e9');
    EXPECT_EQ(e.cell(1, 1).ch, U'\u65e5');
    EXPECT_EQ(e.cell(1, 1).width, 2);
    EXPECT_EQ(e.cell(1, 2).width, 0);
    EXPECT_EQ(e.cell(1, 3).ch, U'x');
    EXPECT_EQ(e.rowText(1), "\xc3\xa9\xe6\x97\xa5x");
    e.feed("\r\n\xf7\xb3\xb3\xb7");
    EXPECT_EQ(e.cell(1, 0).ch, U'\ufffd') << "past U+10FFFF is no character";
    // A lead byte before a control, and a stray continuation: each byte one U+FFFD.
    ConsoleEmulator bad(2, 10);
    bad.setEncoding(TextEncodingUtf8);
    bad.feed("\xc2\x10\x82x");
    EXPECT_EQ(bad.rowText(0), "\xef\xbf\xbd\xef\xbf\xbdx");
    EXPECT_EQ(bad.cursor().col, 3);
}

TEST(ConsoleEmulator, EightBitControlsActAsTheirEscPairsInEitherEncoding)
{
    ConsoleEmulator latin1(2, 10);
    latin1.feed("\x9b"
                "2Cx\x9b"
                "1;1Hy");
    EXPECT_EQ(latin1.rowText(0), "y x");
    ConsoleEmulator utf8(2, 10);
    utf8.setEncoding(TextEncodingUtf8);
    utf8.feed("\xc2");
    utf8.feed("\x9b"
              "2Cx");
    EXPECT_EQ(utf8.rowText(0), "  x");
    EXPECT_EQ(utf8.cursor().col, 3);
}

// libvterm holds 16 parameters and wrote past them: a device could crash the program with
// "ESC[" and a run of semicolons. The first 16 are kept, in one read or split across two.
TEST(ConsoleEmulator, ASequenceWithMoreParametersThanTheEmulatorHoldsKeepsTheFirstSixteen)
{
    std::string sgr = "\x1b[";
    for (int i = 0; i < 15; ++i)
        sgr += "0;";
    sgr += "1;31;4mX\x1b[0m a;b";
    for (std::size_t split : {sgr.size(), std::size_t{20}, std::size_t{34}}) {
        ConsoleEmulator e(2, 10);
        e.feed(sgr.substr(0, split));
        e.feed(sgr.substr(std::min(split, sgr.size())));
        const ConsoleCell x = e.cell(0, 0);
        EXPECT_EQ(x.ch, U'X') << "split at " << split;
        EXPECT_TRUE(x.has(ConsoleCell::Bold)) << "the 16th parameter is kept";
        EXPECT_FALSE(x.has(ConsoleCell::Underline)) << "the 18th is dropped";
        EXPECT_EQ(x.fg, e.cell(0, 1).fg) << "and so is the 17th";
        EXPECT_EQ(e.rowText(0), "X a;b") << "text after the sequence keeps its semicolons";
    }
    ConsoleEmulator e(1, 2);
    e.feed("\x9b;;;;;;;;;;;;;;;;;;8\n\x1b[::::::::::::::::::::8m");
    e.feed("\x1b[;;;;;;;;;;;;;;;\n;;;;8mZ");
    EXPECT_EQ(e.rowText(0), "Z");
}

// REP (ESC[n b), which ncurses sends for runs of one character: it repeats the character just
// printed, never past the line's end. libvterm's own looped for ever when nothing had been
// printed or the last thing was a combining mark with nothing to join.
TEST(ConsoleEmulator, RepeatWritesTheLastCharacterAgainUpToTheLinesEnd)
{
    ConsoleEmulator e(3, 10);
    e.setEncoding(TextEncodingUtf8);
    e.feed("\xe2\x94\x80\x1b[3b|x\x1b[");
    e.feed("99b");
    EXPECT_EQ(e.rowText(0), "\u2500\u2500\u2500\u2500|xxxxx");
    e.feed("\r\n\x1b[4bA\x1b[?2b\x1b[2$b\x1b[b");
    EXPECT_EQ(e.rowText(1), "AA") << "only a REP repeats, and only what stands before the cursor";
    e.feed("\r\n\xcc\x81\x1b[3b");
    EXPECT_EQ(e.cursor().col, 0);
    ConsoleEmulator fresh(2, 4);
    fresh.feed("\x1b[5b");
    EXPECT_EQ(fresh.rowText(0), "");
}

TEST(ConsoleEmulator, LinesLeavingTheTopAreKeptUpToTheScrollbacksSize)
{
    ConsoleEmulator e(3, 10, 5);
    for (int i = 0; i < 10; ++i)
        e.feed("line " + std::to_string(i) + "\r\n");
    EXPECT_EQ(e.scrollbackLines(), 5);
    EXPECT_EQ(e.rowText(-1), "line 7");
    EXPECT_EQ(e.rowText(-5), "line 3");
    EXPECT_EQ(e.rowText(0), "line 8");
    EXPECT_EQ(e.takeDamage().scrolled, 8);
    // The alternate screen (a full-screen program) leaves the scroll-back alone.
    e.feed("\x1b[?1049h\x1b[2Jfull\r\n\r\n\r\n\r\n");
    EXPECT_TRUE(e.altScreen());
    EXPECT_EQ(e.rowText(-1), "line 7");
    e.feed("\x1b[?1049l");
    EXPECT_FALSE(e.altScreen());
    EXPECT_EQ(e.rowText(0), "line 8");
}

TEST(ConsoleEmulator, ResizingMovesLinesBetweenScreenAndScrollback)
{
    ConsoleEmulator e(4, 10);
    e.feed("a\r\nb\r\nc\r\nd");
    e.resize(2, 10);
    EXPECT_EQ(e.rowText(0), "c");
    EXPECT_EQ(e.rowText(-1), "b");
    e.resize(4, 12);
    EXPECT_EQ(e.rowText(0), "a");
    EXPECT_EQ(e.rowText(3), "d");
    EXPECT_EQ(e.cols(), 12);
    // Two next-lines leave libvterm's cursor off the screen's left after a narrowing.
    ConsoleEmulator narrowed(5, 11);
    narrowed.feed("\x85\x85");
    narrowed.resize(5, 9);
    EXPECT_GE(narrowed.cursor().col, 0);
    narrowed.feed("ok");
    EXPECT_EQ(narrowed.rowText(narrowed.cursor().row), "ok");
    // A wide character must fit: libvterm writes past a narrower screen.
    narrowed.resize(3, 1);
    EXPECT_EQ(narrowed.cols(), ConsoleEmulator::minCols);
    narrowed.setEncoding(TextEncodingUtf8);
    narrowed.feed("\xe6\x97\xa5\xe6\x97\xa5");
    narrowed.resize(5, 9);
    // A scroll region that ended at the old bottom no longer holds line feeds below the new one.
    ConsoleEmulator regions(8, 13);
    regions.feed("\x1b[1;8r\x1b[8;1Hx");
    regions.resize(3, 11);
    regions.feed("\n\n\ny");
    EXPECT_EQ(regions.cursor().row, 2);
    EXPECT_EQ(regions.rowText(2), " y");
    // Nor do left and right margins hold text past the right edge of a narrower one.
    ConsoleEmulator margins(3, 13);
    margins.feed("\x1b[?69h\x1b[1;12s\x1b[1;11H");
    margins.resize(3, 4);
    margins.feed("abcdefg");
    EXPECT_LE(margins.cursor().col, margins.cols());
    // Lines with a wide character in their last column come back into a narrower screen.
    ConsoleEmulator wide(2, 6);
    wide.setEncoding(TextEncodingUtf8);
    for (int i = 0; i < 4; ++i)
        wide.feed("ab\xec\x9d\x9d\xec\x9d\x9d\r\n");
    wide.resize(6, 5);
    EXPECT_EQ(wide.rowText(0).substr(0, 5), "ab\xec\x9d\x9d");
}

TEST(ConsoleEmulator, TitleBellAndAnswersReachTheirPlaces)
{
    ConsoleEmulator e(5, 20);
    e.feed("\x1b]0;board: ~\x07\a\a\x1b[3;4H\x1b[6n");
    EXPECT_EQ(e.title(), "board: ~");
    EXPECT_EQ(e.bells(), 2);
    EXPECT_EQ(e.takeOutput(), "\x1b[3;4R");
    EXPECT_FALSE(e.hasOutput());
}
