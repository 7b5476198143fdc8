#include "toolkit/TextView.h"
#include "toolkit/TextViewDelegate.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct TextViewTest : testing::Test, TextViewDelegate {
    TextView view;
    std::vector<std::string> events;
    std::function<void(TextView&)> rewrite;

    TextViewTest()
    {
        view.setDelegate(this);
        view.setObserver([this] { events.push_back("observer"); });
    }
    void textDidChange(TextView& sender) override
    {
        events.push_back("delegate");
        if (rewrite)
            rewrite(sender);
    }
};

// Control characters kept through an edit are the text widgets test's.
TEST_F(TextViewTest, TheDelegateRewriteIsOneChange)
{
    view.setAttributedString(AttributedText(u"abc"));
    // The delegate's rewrite wins, and the observer hears of the edit and it once: a widget
    // told of every step would lay out and paint texts nobody sees.
    rewrite = [](TextView& sender) {
        sender.setAttributedString(AttributedText(u"\\65", grayColor()));
        sender.setSelectedRange(TextRange{1, 0});
        sender.setTypingAttributes(nullptr);
        sender.setAttributedString(AttributedText(u"\\66", grayColor()), TextRange{2, 0});
    };
    events.clear();
    view.userReplaceCharacters(TextRange{3, 0}, u"defg");
    EXPECT_EQ(view.string(), u"\\66");
    EXPECT_EQ(view.selectedRange(), (TextRange{2, 0}));
    EXPECT_EQ(events, (std::vector<std::string>{"delegate", "observer"}));

    rewrite = [](TextView& sender) { sender.setAttributedString(AttributedText(u"\\65", grayColor())); };
    view.userReplaceCharacters(TextRange{3, 0}, u"defg");
    EXPECT_EQ(view.selectedRange(), (TextRange{3, 0})); // the caret after the edit (7), clamped
}

TEST_F(TextViewTest, RangesAreClampedReadOnlyTextIsKeptAndEveryScrollRequestCounts)
{
    view.setAttributedString(AttributedText(u"abcd"));
    view.setSelectedRange(TextRange{2, 100});
    EXPECT_EQ(view.selectedRange(), (TextRange{2, 2}));
    view.setAttributedString(AttributedText(u"bc"), TextRange{9, 9});
    EXPECT_EQ(view.selectedRange(), (TextRange{2, 0}));
    EXPECT_NO_THROW(view.userReplaceCharacters(TextRange{5, 3}, u"z"));
    EXPECT_EQ(view.string(), u"bcz");
    view.scrollRangeToVisible(TextRange{99, 0});
    EXPECT_EQ(view.scrollRequest(), (TextRange{3, 0}));

    view.setEditable(false);
    EXPECT_FALSE(view.userReplaceCharacters(TextRange{0, 2}, u"typed"));
    EXPECT_EQ(view.string(), u"bcz");

    // Asking twice to show the end scrolls twice: the user may have scrolled away in between.
    const auto scroll = view.scrollRevision();
    view.scrollRangeToVisible(TextRange{3, 0});
    view.scrollRangeToVisible(TextRange{3, 0});
    EXPECT_EQ(view.scrollRevision(), scroll + 2);
}

TEST_F(TextViewTest, ARollKeepsTheSelectionOnItsCharactersUntilTheyFallOff)
{
    // A log of 2-unit escapes: each roll drops the oldest and appends new ones.
    view.setAttributedString(AttributedText(u"\\1\\2\\3\\4", grayColor()));
    view.setSelectedRange(TextRange{4, 4}); // "\\3\\4"
    events.clear();
    view.rollAttributedString(AttributedText(u"\\2\\3\\4\\5", grayColor()), 6);
    EXPECT_EQ(view.selectedRange(), (TextRange{2, 4}));
    EXPECT_EQ(events.size(), 1u);
    view.rollAttributedString(AttributedText(u"\\4\\5\\6\\7", grayColor()), 4);
    EXPECT_EQ(view.selectedRange(), (TextRange{0, 2})); // "\\3" fell off: "\\4" is left
    view.rollAttributedString(AttributedText(u"\\5\\6\\7", grayColor()), 6);
    EXPECT_EQ(view.selectedRange(), (TextRange{0, 0}));
    EXPECT_EQ(view.droppedCount(), 8u);

    // A text that does not go on from the old one is a plain replacement, dropping nothing.
    view.setSelectedRange(TextRange{2, 2});
    view.rollAttributedString(AttributedText(u"\\0x5\\0x6"), 4);
    EXPECT_EQ(view.selectedRange(), (TextRange{2, 2}));
    EXPECT_EQ(view.droppedCount(), 8u);
    const auto revision = view.textRevision();
    view.rollAttributedString(AttributedText(u"\\0x5\\0x6"), 10);
    EXPECT_EQ(view.textRevision(), revision);

    // A hold lasts until it is let go or the text is emptied.
    view.setHeld(true);
    view.rollAttributedString(AttributedText(u"\\0x6"), 4);
    view.setAttributedString(AttributedText());
    EXPECT_FALSE(view.isHeld());
}

} // namespace
