// UTF-8 in the views and the editor: bytes are what is kept and sent, characters only how they
// are shown; and the Latin-1 editor turns away what is not one byte instead of changing it.
#include "app/text/ViewType.h"
#include "app/text/decode.h"
#include "app/text/filterString.h"
#include "app/text/filterUtf8.h"
#include "tests/app/DocumentFixture.h"

#include <gtest/gtest.h>

#include <random>

using namespace std::chrono_literals;

namespace {

std::u16string units(std::string_view bytes)
{
    std::u16string result;
    for (const char byte : bytes)
        result.push_back(static_cast<unsigned char>(byte));
    return result;
}

// Pieces that a byte stream in UTF-8 is made of, whole and broken: valid sequences of every
// length, overlong forms, encoded surrogates, values past U+10FFFF, stray and missing bytes.
std::string randomUtf8ish(std::mt19937& random)
{
    static const std::string_view pieces[] = {
        "a", " ", "\\", "\0", "\r\n", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC2\x85", "\xEF\xBF\xBD",
        "\xC0\x80", "\xC1\xBF", "\xE0\x80\xAF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80",
        "\xF8\x88\x80\x80\x80", "\xFF", "\x80", "\xBF", "\xE2\x82", "\xF0\x9F\x98", "\xC3"};
    std::string bytes;
    for (int n = std::uniform_int_distribution<int>(0, 30)(random); n > 0; --n) {
        const std::size_t pick = std::uniform_int_distribution<std::size_t>(0, std::size(pieces))(random);
        if (pick == std::size(pieces)) // any byte at all, so every value turns up
            bytes.push_back(static_cast<char>(random() & 0xFF));
        else
            bytes.append(pieces[pick].empty() ? std::string_view("\0", 1) : pieces[pick]);
    }
    // Cut at either end, as a read or the buffer's trimming may cut.
    const std::size_t front = bytes.empty() ? 0 : random() % 3 % bytes.size();
    return bytes.substr(front, bytes.size() - front - (bytes.size() > front ? random() % 3 % (bytes.size() - front) : 0));
}

TEST(Encodings, EveryViewInEitherEncodingReadsBackAsExactlyTheBytesItShows)
{
    std::mt19937 random(14);
    for (int round = 0; round < 2000; ++round) {
        const std::u16string bytes = units(randomUtf8ish(random));
        for (const TextEncoding encoding : {TextEncodingUtf8, TextEncodingLatin1}) {
            for (const int mode : {0, 1, 2, 3, -1}) {
                std::size_t unused = 0;
                ByteStandIns standIns;
                const AttributedText shown = filterString(bytes, mode, 0, unused, encoding, &standIns);
                ASSERT_EQ(decodeEscapes(shown, mode, 0, nullptr, encoding, standIns), bytes)
                    << encoding << " " << mode << " " << round;
            }
        }
    }
}

TEST(Utf8, SequencesShowAsCharactersAndEveryOtherByteAsGrayReplacementOrEscape)
{
    // é € 日本, then an encoded surrogate, an overlong "/", a C1 control and a cut-off €.
    const std::u16string bytes =
        units("h\xC3\xA9 \xE2\x82\xAC\xE6\x97\xA5\xE6\x9C\xAC|\xED\xA0\x80|\xC0\xAF|\xC2\x85|\xE2\x82");
    std::size_t unused = 0;
    ByteStandIns standIns;
    const AttributedText text = filterString(bytes, ViewTypeText, 0, unused, TextEncodingUtf8, &standIns);
    EXPECT_EQ(text.string(), u"h\u00E9 \u20AC\u65E5\u672C|\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD|\u0085|\uFFFD\uFFFD");
    EXPECT_EQ(grayMask(text), ".......###.##...##");
    EXPECT_EQ(standIns, (ByteStandIns{{7, 0xED}, {8, 0xA0}, {9, 0x80}, {11, 0xC0}, {12, 0xAF}, {16, 0xE2}, {17, 0x82}}));

    const AttributedText mixed = filterString(bytes, ViewTypeMixed, TextEncodingUtf8);
    EXPECT_EQ(mixed.string(), u"h\u00E9\\32\u20AC\u65E5\u672C|\\237\\160\\128|\\192\\175|\\194\\133|\\226\\130");
    EXPECT_EQ(filterString(bytes, ViewTypeHex, TextEncodingUtf8), filterString(bytes, ViewTypeHex));
}

TEST_F(DocumentTest, ASequenceSplitAcrossReadsShowsOnceWholeAndOneCutAtTheFrontNeverAsAnotherCharacter)
{
    Pty& pty = attach("cu.usb");
    auto window = openWindow("cu.usb");
    window->document->setTextEncoding(TextEncodingUtf8);
    pty.writeMaster("\xE2\x82");
    tickUntil(*window, 2);
    EXPECT_EQ(window->received(), u"\uFFFD\uFFFD");
    pty.writeMaster("\xAC");
    tickUntil(*window, 1);
    EXPECT_EQ(window->received(), u"\u20AC");

    // A chunk longer than the buffer leaves its last 2047 bytes: the first € loses its first two.
    std::string euros;
    while (euros.size() <= Device::maxRecvChars)
        euros += "\xE2\x82\xAC";
    window->document->updateRecieveTF(euros.data(), euros.size());
    EXPECT_EQ(window->received().substr(0, 2), u"\uFFFD\u20AC");
    window->view(ViewTypeMixed);
    EXPECT_EQ(window->received().substr(0, 5), u"\\172\u20AC");
}

TEST_F(DocumentTest, Utf8TextTypedInAnyViewIsSentAsItsBytesWhateverViewsAndEncodingsComeBetween)
{
    Pty& pty = attach("cu.usb");
    auto window = openWindow("cu.usb");
    std::mt19937 random(8);
    const struct { std::u16string_view character; std::string_view bytes; } alphabet[] = {
        {u"a", "a"}, {u"\\", "\\"}, {u"0", "0"}, {u" ", " "}, {std::u16string_view(u"\0", 1), std::string_view("\0", 1)},
        {u"\n", "\n"}, {u"\u00E9", "\xC3\xA9"}, {u"\u0085", "\xC2\x85"}, {u"\u20AC", "\xE2\x82\xAC"},
        {u"\uFFFD", "\xEF\xBF\xBD"}, {u"\U0001F600", "\xF0\x9F\x98\x80"}, {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"}};
    for (const int mode : {0, 1, 2, 3}) {
        window->document->setTextEncoding(TextEncodingUtf8);
        window->view(mode);
        std::string expected;
        for (int n = 0; n < 40; ++n) {
            const auto& [character, bytes] = alphabet[random() % std::size(alphabet)];
            window->type(character); // one keystroke, one rebuild
            expected += bytes;
        }
        // Neither another view nor Latin-1 on the way changes what goes out.
        window->document->setTextEncoding(TextEncodingLatin1);
        window->view((mode + 1) % 4);
        window->document->setTextEncoding(TextEncodingUtf8);
        window->view(mode);
        window->click(window->controls.sendButton);
        EXPECT_EQ(pty.readMaster(expected.size() + 1, 200ms), expected) << mode;
    }
}

TEST_F(DocumentTest, Latin1RefusesACharacterBeyondOneByteWhereverItEntersAndNamesIt)
{
    Pty& pty = attach("cu.usb");
    auto window = openWindow("cu.usb");
    const AttributedText pasted(u"x\U0001F600y");
    for (const int mode : {0, 1, 2, 3}) {
        window->view(mode);
        window->type(u"a\u20ACb");
        EXPECT_EQ(window->document->statusText(),
                  "\u20AC (U+20AC) cannot be sent as one byte; switch the text encoding to UTF-8 to send it");
        window->controls.sendTF.userReplaceCharacters(window->controls.sendTF.selectedRange(), pasted);
        EXPECT_EQ(window->document->statusText().rfind("\U0001F600 (U+1F600) cannot be sent", 0), 0u);
        EXPECT_TRUE(window->editor().empty()) << mode;
    }
    window->type(u"\u00E9");
    window->click(window->controls.sendButton);
    EXPECT_EQ(pty.readMaster(2, 200ms), "\xE9");
}

} // namespace
