// The transmit editor's content: rendered anew in the view mode after every edit, undone in
// the characters it stands for, refused where Latin-1 cannot send it, and sent as bytes.
#include "app/transmit/TransmitComposer.h"

#include "app/text/filterString.h"
#include "tests/support/GrayMask.h"
#include "tests/support/LogCapture.h"
#include "toolkit/TextView.h"
#include "toolkit/TextViewDelegate.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// The editor's delegate, as the document is: every user edit goes through the composer.
class TransmitComposerTest : public testing::Test, public TextViewDelegate {
protected:
    TransmitComposerTest()
    {
        editor.setDelegate(this);
        composer.adopt();
    }
    void textDidChange(TextView&) override { composer.edited(); }
    bool shouldChangeText(TextView&, TextRange range, std::u16string_view text) override
    {
        return composer.accepts(range, text);
    }

    void type(std::u16string_view text) { editor.userReplaceCharacters(editor.selectedRange(), text); }
    void edit(TextRange range, std::u16string_view text)
    {
        editor.setSelectedRange(range);
        type(text);
    }
    void show(int mode, TextEncoding encoding = TextEncodingLatin1)
    {
        const TransmitComposer::Rendering before = rendering;
        rendering = {mode, encoding};
        composer.rerender(before);
    }
    std::string bytes() { return composer.bytes().value_or("(refused)"); }
    const std::u16string& shown() const { return editor.string(); }
    TextRange caret() const { return editor.selectedRange(); }

    LogCapture log; // the lines are the log lines test's
    TextView editor;
    TransmitComposer::Rendering rendering;
    std::string status;
    TransmitComposer composer{editor, [this] { return rendering; }, [this](const std::string& text) { status = text; }};
};

TEST_F(TransmitComposerTest, TypingIsRebuiltInTheModeWithItsEscapesGrayAndTheCaretAfterItValuesAtTheEnd)
{
    show(1);
    type(u"A\n");
    EXPECT_EQ(grayMask(editor.textStorage()), ".###");
    edit({1, 0}, u" ");
    EXPECT_EQ(shown(), u"A\\32\\10");
    EXPECT_EQ(caret(), (TextRange{4, 0}));
    editor.setSelectedRange({0, 0});
    EXPECT_EQ(composer.appendValues("65, 0x42 300,,0 1e2"),
              (std::vector<std::string>{"300 is not a byte value (0-255)", "1e2 is not a number"}));
    EXPECT_EQ(shown(), u"A\\32\\10") << "a list with a bad piece adds nothing";
    EXPECT_TRUE(composer.appendValues("65, 0x42,,0").empty());
    EXPECT_EQ(shown(), u"A\\32\\10AB\\0") << "values go to the end, wherever the caret is";
}

TEST_F(TransmitComposerTest, AnEditInsideAnEscapeCutsItsNumberShortAndTheCaretStaysWithWhatIsLeft)
{
    show(3);
    type(u"A B\n");
    const AttributedText before = editor.textStorage();
    edit({4, 0}, u"2"); // "\0x4|1"
    EXPECT_EQ(shown(), u"\\0x4\\0x32\\0x20\\0x42\\0xA");
    EXPECT_EQ(caret(), (TextRange{9, 0}));
    composer.undo();
    EXPECT_TRUE(editor.textStorage() == before) << "undo gives back exactly what was shown, colours too";
    composer.redo();
    show(2);
    EXPECT_EQ(caret(), (TextRange{5, 0})) << "another mode keeps it after the same character";
    edit({3, 1}, u""); // the 5 of "\50"
    EXPECT_EQ(shown(), u"\\4\\0\\32\\66\\10");
    EXPECT_EQ(caret(), (TextRange{2, 0}));
}

TEST_F(TransmitComposerTest, TheBytesAreWhatTheEditorStandsForWhateverTheModeAndTextThatIsNotBytesIsNotSent)
{
    type(std::u16string(u"%d \\ 100%\0\u0080\u00C3\u00FF\r\n", 15));
    show(3);
    EXPECT_EQ(bytes(), std::string("%d \\ 100%\0\x80\xC3\xFF\r\n", 15));
    editor.setAttributedString(AttributedText(u"\u20AC"));
    EXPECT_EQ(composer.bytes(), std::nullopt);
    EXPECT_EQ(status, "Cannot send U+20AC: only characters U+0000 to U+00FF go out, as the bytes 0 to 255. Nothing was sent.");
}

TEST_F(TransmitComposerTest, Utf8TypedInAnyModeIsSentAsItsBytesWhateverModesAndEncodingsComeBetween)
{
    std::mt19937 random(8);
    const struct { std::u16string_view character; std::string_view bytes; } alphabet[] = {
        {u"a", "a"}, {u"\\", "\\"}, {u"0", "0"}, {u" ", " "}, {std::u16string_view(u"\0", 1), std::string_view("\0", 1)},
        {u"\n", "\n"}, {u"\u00E9", "\xC3\xA9"}, {u"\u0085", "\xC2\x85"}, {u"\u20AC", "\xE2\x82\xAC"},
        {u"\uFFFD", "\xEF\xBF\xBD"}, {u"\U0001F600", "\xF0\x9F\x98\x80"}, {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"}};
    for (const int mode : {0, 1, 2, 3}) {
        composer.clear();
        show(mode, TextEncodingUtf8);
        std::string expected;
        for (int n = 0; n < 40; ++n) {
            const auto& [character, sent] = alphabet[random() % std::size(alphabet)];
            type(character); // one keystroke, one rebuild
            expected += sent;
        }
        show(mode, TextEncodingLatin1);
        show((mode + 1) % 4, TextEncodingLatin1);
        show((mode + 1) % 4, TextEncodingUtf8);
        show(mode, TextEncodingUtf8);
        EXPECT_EQ(bytes(), expected) << mode;
    }
}

TEST_F(TransmitComposerTest, Latin1RefusesACharacterBeyondOneByteWhereverItEntersAndNamesIt)
{
    for (const int mode : {0, 1, 2, 3}) {
        show(mode);
        type(u"a\u20ACb");
        EXPECT_EQ(status, "\u20AC (U+20AC) cannot be sent as one byte; switch the text encoding to UTF-8 to send it");
        editor.userReplaceCharacters(editor.selectedRange(), AttributedText(u"x\U0001F600y")); // a paste
        EXPECT_EQ(status.rfind("\U0001F600 (U+1F600) cannot be sent", 0), 0u) << status;
        EXPECT_TRUE(shown().empty()) << mode;
    }
    type(u"\u00E9");
    EXPECT_EQ(bytes(), "\xE9");
}

TEST_F(TransmitComposerTest, UndoGoesOnInAnotherModeOnTheSameCharactersAndUndoesClearingAndSending)
{
    type(u"hello");
    composer.breakCoalescing();
    composer.appendValues("10");
    show(2);
    composer.undo();
    EXPECT_TRUE(editor.textStorage() == filterString(u"hello", 2));
    composer.redo();
    composer.sent();
    EXPECT_TRUE(shown().empty());
    composer.undo();
    EXPECT_TRUE(editor.textStorage() == filterString(u"hello\n", 2)) << "what was sent comes back, to send again";
    composer.clear();
    composer.undo();
    EXPECT_TRUE(editor.textStorage() == filterString(u"hello\n", 2));
}

// In the UTF-8 text view a byte that belongs to no character shows as a gray U+FFFD.
class StandInTest : public TransmitComposerTest {
protected:
    StandInTest() { show(0, TextEncodingUtf8); }
};

TEST_F(StandInTest, AStrayByteShowsAsAGrayReplacementIsSentAsItselfAndTypingBeforeOrAfterItKeepsIt)
{
    composer.appendValues("255");
    EXPECT_EQ(shown(), u"\uFFFD");
    EXPECT_EQ(grayMask(editor.textStorage()), "#");
    show(1, TextEncodingUtf8);
    EXPECT_EQ(shown(), u"\\255");
    show(0, TextEncodingUtf8);
    EXPECT_EQ(bytes(), "\xFF");
    edit({0, 0}, u"a");
    edit({2, 0}, u"b");
    EXPECT_EQ(shown(), u"a\uFFFDb");
    EXPECT_EQ(bytes(), "a\xFF" "b");
}

TEST_F(StandInTest, TypingOverOrDeletingAStrayByteDropsExactlyThatByteAndUndoBringsItBack)
{
    composer.appendValues("255, 254, 253");
    edit({0, 1}, u"c");
    EXPECT_EQ(bytes(), "c\xFE\xFD");
    edit({1, 1}, u"");
    EXPECT_EQ(bytes(), "c\xFD");
    composer.undo();
    composer.undo();
    EXPECT_EQ(bytes(), "\xFF\xFE\xFD");
}

} // namespace
