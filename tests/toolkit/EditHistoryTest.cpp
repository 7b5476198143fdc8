#include "toolkit/EditHistory.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::chrono_literals;

namespace {

// A text edited key by key, each change recorded as the editor's owner records it: found by
// comparing the text before and after, the caret just after what the key put in.
struct Typist {
    std::u16string text;
    EditHistory history;
    EditHistory::Clock::time_point now{};

    void edit(EditKind kind, std::size_t at, std::size_t count, std::u16string_view inserted)
    {
        std::u16string after = text;
        after.replace(at, count, inserted);
        now += 100ms;
        history.record(kind, EditHistory::difference(kind, text, after, at + inserted.size()), now);
        text = std::move(after);
    }
    void type(std::size_t at, std::u16string_view keys)
    {
        for (std::size_t i = 0; i < keys.size(); ++i)
            edit(EditKind::Typing, at + i, 0, keys.substr(i, 1));
    }
    void backspace(std::size_t from, int times)
    {
        for (int i = 0; i < times; ++i)
            edit(EditKind::Deleting, --from, 1, {});
    }
    // Undoes (or redoes) a step into the text; false when there was none.
    bool step(bool back)
    {
        const auto splice = back ? history.undo() : history.redo();
        if (!splice)
            return false;
        EXPECT_TRUE(EditHistory::apply(text, *splice));
        return true;
    }
};

TEST(EditHistory, TypingAndDeletingComeBackAWordAtATime)
{
    Typist t;
    t.type(0, u"hello world");
    ASSERT_TRUE(t.step(true));
    EXPECT_EQ(t.text, u"hello ");
    ASSERT_TRUE(t.step(true));
    EXPECT_EQ(t.text, u"");
    EXPECT_FALSE(t.step(true));
    EXPECT_TRUE(t.step(false) && t.step(false));
    EXPECT_EQ(t.text, u"hello world");

    // Backspace mirrors typing: the word, then the word before with its space. Enter, NUL and
    // punctuation part words as spaces do, and a letter beyond ASCII is part of a word.
    t.backspace(t.text.size(), 11);
    EXPECT_EQ(t.text, u"");
    t.step(true);
    EXPECT_EQ(t.text, u"hello ");
    t.step(true);
    EXPECT_EQ(t.text, u"hello world");
    t.type(11, std::u16string(u"!\n\0caf\u00e9.", 9));
    t.step(true);
    EXPECT_EQ(t.text, std::u16string(u"hello world!\n\0", 14));

    // Delete at a fixed caret runs forward, and a word starts a new step there too.
    t.text = u"ab cd";
    t.history.clear();
    for (int i = 0; i < 4; ++i)
        t.edit(EditKind::Deleting, 0, 1, {});
    EXPECT_EQ(t.text, u"d");
    t.step(true);
    EXPECT_EQ(t.text, u"cd");
    t.step(true);
    EXPECT_EQ(t.text, u"ab cd");
}

TEST(EditHistory, APauseACaretMoveOrAnotherKindOfEditStartsAStep)
{
    Typist t;
    t.type(0, u"ab");
    t.now += EditHistory::pause;
    t.type(2, u"cd");
    t.step(true);
    EXPECT_EQ(t.text, u"ab");

    t.history.endStep(); // the caret went away and came back
    t.type(2, u"cd");
    t.type(1, u"x"); // typed elsewhere
    t.backspace(5, 1);
    t.edit(EditKind::Other, 4, 0, u"P"); // a paste: a step of its own, and nothing joins it
    t.type(5, u"q");
    EXPECT_EQ(t.text, u"axbcPq");
    for (const char16_t* expected : {u"axbcP", u"axbc", u"axbcd", u"abcd", u"ab"}) {
        t.step(true);
        EXPECT_EQ(t.text, expected);
    }

    // Typing over a selection goes on as one step, and its undo gives the selection back.
    t.text = u"one two";
    t.history.clear();
    t.edit(EditKind::Typing, 4, 3, u"t");
    t.type(5, u"en");
    t.step(true);
    EXPECT_EQ(t.text, u"one two");

    // The step below an undone one takes no more typing: what comes next is a step of its own.
    t.text.clear();
    t.history.clear();
    t.type(0, u"ab");
    t.history.endStep();
    t.type(2, u"cd");
    t.step(true);
    t.type(2, u"x");
    t.step(true);
    EXPECT_EQ(t.text, u"ab");
}

TEST(EditHistory, RedoLastsOnlyUntilTheNextChange)
{
    Typist t;
    t.type(0, u"one two");
    t.step(true);
    t.history.record(EditKind::Typing, EditHistory::Splice{}, t.now); // changed nothing
    EXPECT_TRUE(t.history.canRedo());
    t.type(4, u"2");
    EXPECT_FALSE(t.history.canRedo());
    EXPECT_FALSE(t.step(false));
    EXPECT_EQ(t.text, u"one 2");

    // A splice is put back only into the text it was taken from.
    std::u16string other = u"xyz";
    EXPECT_FALSE(EditHistory::apply(other, EditHistory::Splice{1, u"ab", u""}));
    EXPECT_FALSE(EditHistory::apply(other, EditHistory::Splice{4, u"", u"a"}));
    EXPECT_EQ(other, u"xyz");
}

TEST(EditHistory, TheOldestStepsGoBeyondTheLimitAndEveryUnitKeptCanBeChecked)
{
    Typist t;
    t.text = std::u16string(EditHistory::maxUnits + 1, u'a');
    t.edit(EditKind::Other, 0, t.text.size(), u"b"); // larger than the limit, yet kept
    EXPECT_TRUE(t.history.canUndo());
    for (std::size_t i = 0; i < EditHistory::maxSteps; ++i)
        t.edit(EditKind::Other, 0, 0, u"\u4e2d");
    EXPECT_FALSE(t.history.holdsOnly([](char16_t unit) { return unit <= 0xFF; }));
    std::size_t steps = 0;
    while (t.step(true))
        ++steps;
    EXPECT_EQ(steps, EditHistory::maxSteps);
    EXPECT_EQ(t.text, u"b");
    EXPECT_TRUE(t.history.holdsOnly([](char16_t unit) { return unit != u'a'; })); // the big step went
}

} // namespace
