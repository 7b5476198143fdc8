#include "toolkit/TextView.h"
#include "toolkit/TextViewDelegate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// Records what a document would see, and can rewrite the text from inside the call.
struct RecordingDelegate : TextViewDelegate {
    std::vector<std::string>* events = nullptr;
    std::u16string seenText;
    TextRange seenSelection;
    std::function<void(TextView&)> rewrite;

    void textDidChange(TextView& sender) override
    {
        events->push_back("delegate");
        seenText = sender.string();
        seenSelection = sender.selectedRange();
        if (rewrite)
            rewrite(sender);
    }
};

struct TextViewTest : ::testing::Test {
    TextView view;
    RecordingDelegate delegate;
    std::vector<std::string> events;

    void SetUp() override
    {
        delegate.events = &events;
        view.setDelegate(&delegate);
        view.setObserver([this] { events.push_back("observer"); });
    }
};

TEST_F(TextViewTest, SpliceKeepsControlCharactersAndPutsCaretAfterInsertion)
{
    view.setAttributedString(AttributedText(u"ab"));
    events.clear();
    const std::u16string odd{u'\r', u'\n', u'\0', u'\u2028', u'\u2029'};

    ASSERT_TRUE(view.userReplaceCharacters(TextRange{1, 0}, odd));

    EXPECT_EQ(view.string(), u"a" + odd + u"b");
    EXPECT_EQ(view.selectedRange(), (TextRange{6, 0}));
    // The document must see the edited text and caret, after the widget was told.
    EXPECT_EQ(events, (std::vector<std::string>{"observer", "delegate"}));
    EXPECT_EQ(delegate.seenText, view.string());
    EXPECT_EQ(delegate.seenSelection, (TextRange{6, 0}));
}

TEST_F(TextViewTest, TypedTextTakesTypingColourAndPasteKeepsItsOwn)
{
    const ColorRef red = makeColor(255, 0, 0);
    view.setAttributedString(AttributedText(u"xy", grayColor()));
    view.setTypingAttributes(nullptr);

    view.userReplaceCharacters(TextRange{2, 0}, u"p");
    view.userReplaceCharacters(TextRange{0, 1}, u"q", red);

    ASSERT_EQ(view.textStorage().runs().size(), 3u);
    EXPECT_EQ(view.textStorage().attributeAtIndex(0), red);
    EXPECT_EQ(view.textStorage().attributeAtIndex(1), grayColor());
    EXPECT_EQ(view.textStorage().attributeAtIndex(2), nullptr);
    EXPECT_EQ(view.selectedRange(), (TextRange{1, 0}));
}

TEST_F(TextViewTest, MultiColouredPasteReplacesSelectionInOneEdit)
{
    const ColorRef blue = makeColor(0, 0, 255);
    view.setAttributedString(AttributedText(u"0123456"));
    AttributedText pasted;
    pasted.append(u"AB", blue);
    pasted.append(u"C");
    events.clear();

    view.userReplaceCharacters(TextRange{2, 3}, pasted);

    EXPECT_EQ(view.string(), u"01ABC56");
    EXPECT_EQ(view.textStorage().attributeAtIndex(2), blue);
    EXPECT_EQ(view.textStorage().attributeAtIndex(4), nullptr);
    EXPECT_EQ(view.selectedRange(), (TextRange{5, 0}));
    EXPECT_EQ(std::count(events.begin(), events.end(), "delegate"), 1);

    view.userReplaceCharacters(TextRange{0, 2}, AttributedText());
    EXPECT_EQ(view.string(), u"ABC56");
}

TEST_F(TextViewTest, DelegateRewriteFromInsideTheEditWins)
{
    view.setAttributedString(AttributedText(u"abc"));
    delegate.rewrite = [](TextView& sender) {
        sender.setAttributedString(AttributedText(u"\\65", grayColor()));
        sender.setTypingAttributes(nullptr);
    };

    view.userReplaceCharacters(TextRange{3, 0}, u"defg");

    EXPECT_EQ(view.string(), u"\\65");
    // The caret after the edit (7) no longer fits and is clamped to the end.
    EXPECT_EQ(view.selectedRange(), (TextRange{3, 0}));
    EXPECT_EQ(view.typingAttributes(), nullptr);
}

TEST_F(TextViewTest, RangesOutsideTheTextAreClampedNotThrown)
{
    view.setAttributedString(AttributedText(u"abcd"));
    view.setSelectedRange(TextRange{2, 100});
    EXPECT_EQ(view.selectedRange(), (TextRange{2, 2}));

    view.setAttributedString(AttributedText(u"a"));
    EXPECT_EQ(view.selectedRange(), (TextRange{1, 0}));

    EXPECT_NO_THROW(view.userReplaceCharacters(TextRange{5, 3}, u"z"));
    EXPECT_EQ(view.string(), u"az");

    view.scrollRangeToVisible(TextRange{99, 0});
    EXPECT_EQ(view.scrollRequest(), (TextRange{2, 0}));
}

TEST_F(TextViewTest, ReadOnlyViewIgnoresUserEdits)
{
    view.setAttributedString(AttributedText(u"rx"));
    view.setEditable(false);
    events.clear();

    EXPECT_FALSE(view.userReplaceCharacters(TextRange{0, 2}, u"typed"));
    EXPECT_EQ(view.string(), u"rx");
    EXPECT_TRUE(events.empty());
}

TEST_F(TextViewTest, RevisionsTellNewTextFromRepeatsAndScrollRequests)
{
    view.setAttributedString(AttributedText(u"same"));
    const auto text = view.textRevision();
    events.clear();

    view.setAttributedString(AttributedText(u"same"));
    EXPECT_EQ(view.textRevision(), text);
    EXPECT_TRUE(events.empty());

    view.setSelectedRange(TextRange{1, 0});
    EXPECT_EQ(view.textRevision(), text);

    const auto scroll = view.scrollRevision();
    view.scrollRangeToVisible(TextRange{4, 0});
    view.scrollRangeToVisible(TextRange{4, 0});
    EXPECT_EQ(view.scrollRevision(), scroll + 2);

    view.setAttributedString(AttributedText(u"same", grayColor()));
    EXPECT_NE(view.textRevision(), text);
}

} // namespace
