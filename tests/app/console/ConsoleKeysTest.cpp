#include "app/console/ConsoleKeys.h"
#include "app/console/ConsoleEmulator.h"

#include <gtest/gtest.h>

namespace {

struct Keys : ::testing::Test {
    ConsoleEmulator emulator{24, 80};
    ConsoleKeys keys{emulator};
};

constexpr ConsoleModifiers none{};
constexpr ConsoleModifiers ctrl{false, false, true};
constexpr ConsoleModifiers alt{false, true, false};

} // namespace

TEST_F(Keys, ArrowsFollowTheApplicationCursorMode)
{
    EXPECT_EQ(keys.press(ConsoleKey::Up, none), "\x1b[A");
    EXPECT_EQ(keys.press(ConsoleKey::Left, none), "\x1b[D");
    emulator.feed("\x1b[?1h");
    EXPECT_EQ(keys.press(ConsoleKey::Up, none), "\x1bOA");
    EXPECT_EQ(keys.press(ConsoleKey::Right, none), "\x1bOC");
    emulator.feed("\x1b[?1l");
    EXPECT_EQ(keys.press(ConsoleKey::Down, none), "\x1b[B");
}

TEST_F(Keys, OtherKeysAsAnXtermSendsThem)
{
    EXPECT_EQ(keys.press(ConsoleKey::F1, none), "\x1bOP");
    EXPECT_EQ(keys.press(ConsoleKey::F5, none), "\x1b[15~");
    EXPECT_EQ(keys.press(ConsoleKey::F12, none), "\x1b[24~");
    EXPECT_EQ(keys.press(ConsoleKey::Delete, none), "\x1b[3~");
    EXPECT_EQ(keys.press(ConsoleKey::PageUp, none), "\x1b[5~");
    EXPECT_EQ(keys.press(ConsoleKey::Tab, none), "\t");
    EXPECT_EQ(keys.press(ConsoleKey::Escape, none), "\x1b");
}

TEST_F(Keys, CtrlMakesControlCharactersAndAltAnEscPrefix)
{
    EXPECT_EQ(keys.type(U'c', ctrl), "\x03");
    EXPECT_EQ(keys.type(U'C', ctrl), "\x03");
    EXPECT_EQ(keys.type(U'[', ctrl), "\x1b");
    EXPECT_EQ(keys.type(U'm', ctrl), "\r");
    EXPECT_EQ(keys.type(U' ', ctrl), std::string(1, '\0'));
    EXPECT_EQ(keys.type(U'x', alt), "\x1bx");
    EXPECT_EQ(keys.type(U'd', ConsoleModifiers{false, true, true}), "\x1b\x04");
    EXPECT_EQ(keys.type(U'x', none), "x");
}

TEST_F(Keys, EnterAndBackspaceSendWhatTheUserChose)
{
    EXPECT_EQ(keys.press(ConsoleKey::Enter, none), "\r");
    keys.setEnter(ConsoleKeys::Enter::LF);
    EXPECT_EQ(keys.press(ConsoleKey::Enter, none), "\n");
    keys.setEnter(ConsoleKeys::Enter::CRLF);
    EXPECT_EQ(keys.press(ConsoleKey::Enter, none), "\r\n");
    EXPECT_EQ(keys.press(ConsoleKey::Backspace, none), "\x7f");
    keys.setBackspace(ConsoleKeys::Backspace::BS);
    EXPECT_EQ(keys.press(ConsoleKey::Backspace, none), "\b");
}

TEST_F(Keys, TextGoesInTheWindowsEncoding)
{
    EXPECT_EQ(keys.type(U'\u00e9', none), "\xe9");
    EXPECT_EQ(keys.type(U'\u20ac', none), "") << "Latin-1 has no euro";
    emulator.setEncoding(TextEncodingUtf8);
    EXPECT_EQ(keys.type(U'\u00e9', none), "\xc3\xa9");
    EXPECT_EQ(keys.type(U'\u20ac', none), "\xe2\x82\xac");
}

TEST_F(Keys, APasteIsBracketedOnlyWhenTheDeviceAskedAndEndsLinesAsEnterDoes)
{
    EXPECT_EQ(keys.paste(U"ls\r\n-l\n"), "ls\r-l\r");
    emulator.feed("\x1b[?2004h");
    keys.setEnter(ConsoleKeys::Enter::LF);
    EXPECT_EQ(keys.paste(U"a\rb\x1b[201~c"), "\x1b[200~a\nb[201~c\x1b[201~");
    emulator.feed("\x1b[?2004l");
    EXPECT_EQ(keys.paste(U"x"), "x");
}
