#include "app/history/HistoryFinder.h"
#include "app/text/ViewType.h"
#include "tests/app/history/HistoryFixture.h"

namespace {

using Matches = std::vector<FindMatch>;
using Request = HistoryFinder::Request;
constexpr HistoryQuery::Options regex{true, false}, matchCase{false, true};

void finish(HistoryFinder& finder)
{
    while (finder.step(std::chrono::steady_clock::now() + std::chrono::seconds(1))) {
    }
}

class FinderTest : public HistoryTest {
protected:
    std::string find(const Request& request)
    {
        const std::string error = finder.start(request);
        finish(finder);
        return error;
    }
    // The current match's line and place among all, as "line:index".
    std::string where() const
    {
        const auto current = finder.current();
        const auto index = finder.currentIndex();
        return current ? std::to_string(current->line) + ":" + (index ? std::to_string(*index) : "?") : "none";
    }

    HistoryFinder finder{history.store()};
};

} // namespace

TEST_F(FinderTest, ALiteralIsFoundAndCountedWhereverItStandsCaseOrNot)
{
    deliver("Error one, error two\nfine\nan ERROR\n");
    EXPECT_EQ(find({u"error", {}}), "");
    EXPECT_EQ(finder.count(), 3u);
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 0, 5}, {0, 11, 5}}));
    EXPECT_EQ(finder.matchesOn(1), Matches{});
    EXPECT_EQ(finder.summary(), "1 of 3");
    find({u"error", matchCase});
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 11, 5}}));
    EXPECT_EQ(finder.count(), 1u);
    // Plain text means every character as itself.
    deliver("a.b*c\n");
    find({u".b*", {}});
    EXPECT_EQ(finder.count(), 1u);
    // A match that came in two reads is one match.
    deliver("kernel pa");
    deliver("nic\n", ms(20));
    find({u"panic", {}});
    EXPECT_EQ(finder.matchesOn(4), (Matches{{4, 7, 5}}));
}

TEST_F(FinderTest, ARegularExpressionMatchesWithinALineAndNeverEmpty)
{
    deliver("err 12 and err 7\nerr x\n");
    find({u"err\\s+\\d+", regex});
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 0, 6}, {0, 11, 5}}));
    find({u"x*", regex});
    EXPECT_EQ(finder.count(), 1u);
    find({u"^err", regex});
    EXPECT_EQ(finder.count(), 2u);
}

TEST_F(FinderTest, FindSearchesWhatTheLineShowsEscapesIncluded)
{
    deliver("ok\r\n");
    find({u"\\13\\10", {}, ViewTypeMixed});
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 2, 6}}));
    find({u"\\13\\10", {}, ViewTypeText});
    EXPECT_EQ(finder.count(), 0u);
    find({u"\\0x6B", matchCase, ViewTypeHex});
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 5, 5}}));
}

TEST_F(FinderTest, NextAndPreviousStepThroughEveryMatchAndWrapAround)
{
    deliver("x x\nnone\nx\n");
    find({u"x", {}});
    EXPECT_EQ(where(), "0:0");
    std::string visited;
    for (int i = 0; i < 4; ++i) {
        finder.next();
        visited += where() + " ";
    }
    EXPECT_EQ(visited, "0:1 2:2 0:0 0:1 ");
    finder.previous();
    finder.previous();
    EXPECT_EQ(where(), "2:2");
    EXPECT_EQ(finder.current()->start, 0u);
}

TEST_F(FinderTest, TheCurrentMatchIsTheNearestFromWhereTheUserIsInTheirDirection)
{
    for (int i = 0; i < 10; ++i)
        deliver(i % 3 == 0 ? "hit\n" : "miss\n");
    find({.pattern = u"hit", .options = {}, .origin = 4});
    EXPECT_EQ(where(), "6:2");
    find({.pattern = u"hit", .options = {}, .origin = 8, .backward = true});
    EXPECT_EQ(where(), "6:2");
    // Nothing after the origin: round to the first; nothing before it going back: to the last.
    find({.pattern = u"hit", .options = {}, .origin = 10});
    EXPECT_EQ(where(), "0:0");
    deliver("miss\n");
    find({.pattern = u"miss", .options = {}, .backward = true});
    EXPECT_EQ(where(), "10:6");
}

TEST_F(FinderTest, LinesThatArriveDuringAndAfterTheSearchAreSearchedAndCounted)
{
    for (int i = 0; i < 5000; ++i)
        deliver("a line with a match in it\n");
    finder.start({u"match", {}});
    EXPECT_TRUE(finder.step(std::chrono::steady_clock::now()));
    EXPECT_LT(finder.progress(), 1.0);
    deliver("match\n");
    finish(finder);
    EXPECT_EQ(finder.count(), 5001u);
    deliver("a match, and one still open: match");
    finish(finder);
    EXPECT_EQ(finder.count(), 5001u);
    EXPECT_EQ(finder.matchesOn(5001).size(), 2u);
    history.idle(clock.now() + ms(100));
    finish(finder);
    EXPECT_EQ(finder.count(), 5003u);
}

TEST_F(FinderTest, AnInvalidRegularExpressionOrOneThatWouldBacktrackForeverIsReported)
{
    deliver("(ab\n");
    const std::string error = find({u"(ab", regex});
    EXPECT_NE(error.find("missing closing parenthesis"), std::string::npos) << error;
    EXPECT_EQ(finder.summary(), error);
    EXPECT_FALSE(finder.active());
    EXPECT_EQ(find({u"(ab", {}}), "");
    EXPECT_EQ(finder.count(), 1u);
    // One that would backtrack for ever gives up on its line and says so.
    deliver(std::string(40, 'a') + "b\nab\n");
    find({u"(a+)+$", regex});
    EXPECT_NE(finder.summary().find("too complex"), std::string::npos) << finder.summary();
    EXPECT_FALSE(finder.hasWork());
}

TEST_F(FinderTest, LinesTheHistoryDropsLeaveTheCountAndTheCurrentMatch)
{
    ReceivedHistory small({std::size_t{1} << 20});
    HistoryFinder smallFinder(small.store());
    const auto feed = [&](int lines) {
        for (int i = 0; i < lines; ++i)
            small.received(i % 10 == 0 ? "a line with a hit in it\n" : "a line without one\n", clock.now());
    };
    feed(40000);
    smallFinder.start({u"hit", {}});
    finish(smallFinder);
    feed(80000);
    finish(smallFinder);
    HistoryFinder fresh(small.store());
    fresh.start({u"hit", {}});
    finish(fresh);
    ASSERT_GT(small.store().firstLine(), 40000u);
    EXPECT_EQ(smallFinder.count(), fresh.count());
    EXPECT_EQ(smallFinder.current(), fresh.current());
    EXPECT_EQ(smallFinder.currentIndex(), std::optional<std::uint64_t>(0));
}

TEST_F(FinderTest, NavigatingBeforeTheCountIsDoneVisitsTheMatchesItWillCount)
{
    for (int i = 0; i < 4000; ++i)
        deliver(i % 100 == 50 ? "hit\n" : "miss\n");
    const auto visit = [&] {
        std::string lines;
        for (int i = 0; i < 3; ++i, finder.next())
            lines += std::to_string(finder.current()->line) + " ";
        for (int i = 0; i < 6; ++i, finder.previous())
            lines += std::to_string(finder.current()->line) + " ";
        return lines;
    };
    finder.start({.pattern = u"hit", .options = {}, .origin = 2000});
    finder.step(std::chrono::steady_clock::now());
    ASSERT_TRUE(finder.searching());
    ASSERT_FALSE(finder.current());
    // F3 before anything was found: the nearest match.
    ASSERT_TRUE(finder.next());
    const std::string early = visit();
    find({.pattern = u"hit", .options = {}, .origin = 2000});
    EXPECT_EQ(early, visit());
    EXPECT_EQ(early, "2050 2150 2250 2350 2250 2150 2050 1950 1850 ");
}

TEST_F(FinderTest, CaseFoldsBeyondAsciiInWhatTheEncodingShows)
{
    deliver("ÉTÉ en UTF-8\n");
    deliver("\xc9t\xc9 en Latin-1\n");
    find({.pattern = u"été", .options = {}, .encoding = TextEncodingUtf8});
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 0, 3}}));
    EXPECT_EQ(finder.count(), 1u);
    find({u"été", {}});
    EXPECT_EQ(finder.matchesOn(1), (Matches{{1, 0, 3}}));
    EXPECT_EQ(finder.count(), 1u);
}
