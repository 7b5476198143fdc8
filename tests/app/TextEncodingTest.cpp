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
