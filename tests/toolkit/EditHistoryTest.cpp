#include "toolkit/EditHistory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// One edit of a row: T types keys at, B backspaces count times from at, D deletes forward
// count times at, S types keys over count units at, O pastes keys at; P pauses, M moves the
// caret away and back, U undoes.
struct Op {
    char what;
    std::size_t at = 0;
    std::u16string_view keys = {};
    std::size_t count = 0;
};

// Each row edits a text as a person would; undo gives back the texts listed, step by step,
// and redo then brings back the last text.
TEST(EditHistory, StepsMergeAsWordsAndBreakOnPausesMovesAndOtherEdits)
{
    struct Row {
        const char* rule;
        std::u16string start;
        std::vector<Op> edits;
        std::vector<std::u16string> undone;
    };
    const Row rows[] = {
        {"typing comes back a word at a time", u"", {{'T', 0, u"hello world"}}, {u"hello ", u""}},
        {"backspace: the word, then the one before with its space", u"hello world", {{'B', 11, {}, 11}}, {u"hello ", u"hello world"}},
        {"Enter, NUL and punctuation split words; a letter beyond ASCII does not", u"hello world",
         {{'T', 11, std::u16string_view(u"!\n\0caf\u00e9.", 9)}}, {std::u16string(u"hello world!\n\0", 14)}},
        {"delete at a fixed caret runs forward and splits words", u"ab cd", {{'D', 0, {}, 4}}, {u"cd", u"ab cd"}},
        {"a pause", u"", {{'T', 0, u"ab"}, {'P'}, {'T', 2, u"cd"}}, {u"ab"}},
        {"a caret move, typing elsewhere, another kind, a paste that nothing joins", u"ab",
         {{'M'}, {'T', 2, u"cd"}, {'T', 1, u"x"}, {'B', 5, {}, 1}, {'O', 4, u"P"}, {'T', 5, u"q"}},
         {u"axbcP", u"axbc", u"axbcd", u"abcd", u"ab"}},
        {"typing over a selection goes on as one step", u"one two", {{'S', 4, u"t", 3}, {'T', 5, u"en"}}, {u"one two"}},
        {"the step below an undone one takes no more typing", u"",
         {{'T', 0, u"ab"}, {'M'}, {'T', 2, u"cd"}, {'U'}, {'T', 2, u"x"}}, {u"ab"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        Typist t;
        t.text = row.start;
        for (const Op& op : row.edits) {
            switch (op.what) {
            case 'T': t.type(op.at, op.keys); break;
            case 'B': for (std::size_t i = 1; i <= op.count; ++i) t.edit(EditKind::Deleting, op.at - i, 1, {}); break;
            case 'D': for (std::size_t i = 0; i < op.count; ++i) t.edit(EditKind::Deleting, op.at, 1, {}); break;
            case 'S': t.edit(EditKind::Typing, op.at, op.count, op.keys); break;
            case 'O': t.edit(EditKind::Other, op.at, 0, op.keys); break;
            case 'P': t.now += EditHistory::pause; break;
            case 'M': t.history.endStep(); break;
            case 'U': t.step(true); break;
            }
        }
        const std::u16string last = t.text;
        for (const std::u16string& expected : row.undone) {
            ASSERT_TRUE(t.step(true));
            EXPECT_EQ(t.text, expected);
        }
        while (t.step(false)) {
        }
        EXPECT_EQ(t.text, last);
    }
}

TEST(EditHistory, RedoLastsOnlyUntilTheNextChange)
{
    Typist t;
    t.type(0, u"one two");
    t.step(true);
    t.history.record(EditKind::Typing, EditHistory::Splice{}, t.now); // changed nothing
    EXPECT_TRUE(t.history.canRedo());
    t.type(4, u"2");
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
