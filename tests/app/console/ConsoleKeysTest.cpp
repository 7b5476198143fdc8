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
    const std::pair<ConsoleKey, std::string_view> sent[] = {
        {ConsoleKey::F1, "\x1bOP"},      {ConsoleKey::F5, "\x1b[15~"},    {ConsoleKey::F12, "\x1b[24~"},
        {ConsoleKey::Delete, "\x1b[3~"}, {ConsoleKey::PageUp, "\x1b[5~"}, {ConsoleKey::Tab, "\t"},
        {ConsoleKey::Escape, "\x1b"}};
    for (const auto& [key, bytes] : sent)
        EXPECT_EQ(keys.press(key, none), bytes) << static_cast<int>(key);
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
