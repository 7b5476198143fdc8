#include "app/history/HistoryFinder.h"
#include "app/text/ViewType.h"
#include "tests/app/history/HistoryFixture.h"

namespace {

using Matches = std::vector<FindMatch>;

class FinderTest : public HistoryTest {
protected:
    std::string find(std::u16string pattern, bool regex = false, bool matchCase = false, int viewType = ViewTypeText,
                     std::uint64_t origin = 0, bool backward = false)
    {
        HistoryFinder::Request request;
        request.pattern = std::move(pattern);
        request.options = {regex, matchCase};
        request.viewType = viewType;
        request.origin = origin;
        request.backward = backward;
        const std::string error = finder.start(request);
        finishSearch();
        return error;
    }
    void finishSearch()
    {
        while (finder.step(std::chrono::steady_clock::now() + std::chrono::seconds(1))) {
        }
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
    EXPECT_EQ(find(u"error"), "");
    EXPECT_EQ(finder.count(), 3u);
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 0, 5}, {0, 11, 5}}));
    EXPECT_EQ(finder.matchesOn(1), Matches{});
    EXPECT_EQ(finder.summary(), "1 of 3");
    find(u"error", false, true);
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 11, 5}}));
    EXPECT_EQ(finder.count(), 1u);
    // Plain text means every character as itself.
    deliver("a.b*c\n");
    find(u".b*");
    EXPECT_EQ(finder.count(), 1u);
}

TEST_F(FinderTest, ARegularExpressionMatchesWithinALineAndNeverEmpty)
{
    deliver("err 12 and err 7\nerr x\n");
    find(u"err\\s+\\d+", true);
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 0, 6}, {0, 11, 5}}));
    find(u"x*", true);
    EXPECT_EQ(finder.count(), 1u);
    find(u"^err", true);
    EXPECT_EQ(finder.count(), 2u);
}

TEST_F(FinderTest, AMatchThatCameInTwoReadsIsOneMatch)
{
    deliver("kernel pa");
    deliver("nic\n", ms(20));
    find(u"panic");
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 7, 5}}));
}

TEST_F(FinderTest, FindSearchesWhatTheLineShowsEscapesIncluded)
{
    deliver("ok\r\n");
    find(u"\\13\\10", false, false, ViewTypeMixed);
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 2, 6}}));
    find(u"\\13\\10", false, false, ViewTypeText);
    EXPECT_EQ(finder.count(), 0u);
    find(u"\\0x6B", false, true, ViewTypeHex);
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 5, 5}}));
}

TEST_F(FinderTest, NextAndPreviousStepThroughEveryMatchAndWrapAround)
{
    deliver("x x\nnone\nx\n");
    find(u"x");
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
    find(u"hit", false, false, ViewTypeText, 4);
    EXPECT_EQ(where(), "6:2");
    find(u"hit", false, false, ViewTypeText, 8, true);
    EXPECT_EQ(where(), "6:2");
    // Nothing after the origin: round to the first; nothing before it going back: to the last.
    find(u"hit", false, false, ViewTypeText, 10);
    EXPECT_EQ(where(), "0:0");
    deliver("miss\n");
    find(u"miss", false, false, ViewTypeText, 0, true);
    EXPECT_EQ(where(), "10:6");
}

TEST_F(FinderTest, LinesThatArriveDuringAndAfterTheSearchAreSearchedAndCounted)
{
    for (int i = 0; i < 5000; ++i)
        deliver("a line with a match in it\n");
    HistoryFinder::Request request;
    request.pattern = u"match";
    finder.start(request);
    EXPECT_TRUE(finder.step(std::chrono::steady_clock::now()));
    EXPECT_LT(finder.progress(), 1.0);
    deliver("match\n");
    finishSearch();
    EXPECT_EQ(finder.count(), 5001u);
    deliver("a match, and one still open: match");
    finishSearch();
    EXPECT_EQ(finder.count(), 5001u);
    EXPECT_EQ(finder.matchesOn(5001).size(), 2u);
    history.idle(clock.now() + ms(100));
    finishSearch();
    EXPECT_EQ(finder.count(), 5003u);
}

TEST_F(FinderTest, AnInvalidRegularExpressionIsReportedAndSearchesNothing)
{
    deliver("(ab\n");
    const std::string error = find(u"(ab", true);
    EXPECT_NE(error.find("missing closing parenthesis"), std::string::npos) << error;
    EXPECT_EQ(finder.summary(), error);
    EXPECT_FALSE(finder.active());
    EXPECT_EQ(find(u"(ab"), "");
    EXPECT_EQ(finder.count(), 1u);
}

TEST_F(FinderTest, APatternThatWouldBacktrackForeverGivesUpOnItsLineAndSaysSo)
{
    deliver(std::string(40, 'a') + "b\nab\n");
    find(u"(a+)+$", true);
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
    HistoryFinder::Request request;
    request.pattern = u"hit";
    smallFinder.start(request);
    while (smallFinder.step(std::chrono::steady_clock::now() + std::chrono::seconds(1))) {
    }
    feed(80000);
    while (smallFinder.step(std::chrono::steady_clock::now() + std::chrono::seconds(1))) {
    }
    HistoryFinder fresh(small.store());
    fresh.start(request);
    while (fresh.step(std::chrono::steady_clock::now() + std::chrono::seconds(1))) {
    }
    ASSERT_GT(small.store().firstLine(), 40000u);
    EXPECT_EQ(smallFinder.count(), fresh.count());
    EXPECT_EQ(smallFinder.current(), fresh.current());
    EXPECT_EQ(smallFinder.currentIndex(), std::optional<std::uint64_t>(0));
}

TEST_F(FinderTest, NavigatingBeforeTheCountIsDoneVisitsTheMatchesItWillCount)
{
    for (int i = 0; i < 4000; ++i)
        deliver(i % 100 == 50 ? "hit\n" : "miss\n");
    const auto visit = [&](HistoryFinder& searching) {
        std::string lines;
        for (int i = 0; i < 3; ++i, searching.next())
            lines += std::to_string(searching.current()->line) + " ";
        for (int i = 0; i < 6; ++i, searching.previous())
            lines += std::to_string(searching.current()->line) + " ";
        return lines;
    };
    HistoryFinder::Request request;
    request.pattern = u"hit";
    request.origin = 2000;
    finder.start(request);
    finder.step(std::chrono::steady_clock::now());
    ASSERT_TRUE(finder.searching());
    ASSERT_FALSE(finder.current());
    // F3 before anything was found: the nearest match.
    ASSERT_TRUE(finder.next());
    const std::string early = visit(finder);
    find(u"hit", false, false, ViewTypeText, 2000);
    EXPECT_EQ(early, visit(finder));
    EXPECT_EQ(early, "2050 2150 2250 2350 2250 2150 2050 1950 1850 ");
}

TEST_F(FinderTest, CaseFoldsBeyondAsciiInWhatTheEncodingShows)
{
    deliver("ÉTÉ en UTF-8\n");
    deliver("\xc9t\xc9 en Latin-1\n");
    HistoryFinder::Request request;
    request.pattern = u"été";
    request.encoding = TextEncodingUtf8;
    finder.start(request);
    finishSearch();
    EXPECT_EQ(finder.matchesOn(0), (Matches{{0, 0, 3}}));
    EXPECT_EQ(finder.count(), 1u);
    find(u"été");
    EXPECT_EQ(finder.matchesOn(1), (Matches{{1, 0, 3}}));
    EXPECT_EQ(finder.count(), 1u);
}
