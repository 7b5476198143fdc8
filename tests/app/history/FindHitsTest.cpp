#include "app/history/FindHits.h"

#include <gtest/gtest.h>

namespace {

// Lines 5, 255, 256, 600 and 70000 hold 1, 2, 3, 4 and 5 matches.
FindHits someHits()
{
    FindHits hits;
    std::size_t matches = 1;
    for (const std::uint64_t line : {5, 255, 256, 600, 70000})
        hits.add(line, matches++);
    return hits;
}

std::size_t matchesOn(std::uint64_t line)
{
    const std::uint64_t lines[] = {5, 255, 256, 600, 70000};
    for (std::size_t i = 0; i < 5; ++i)
        if (lines[i] == line)
            return i + 1;
    return 0;
}

} // namespace

TEST(FindHitsTest, TheNearestLinesWithMatchesAreFoundAcrossBlocks)
{
    const FindHits hits = someHits();
    EXPECT_EQ(hits.total(), 15u);
    EXPECT_EQ(hits.firstLine(), 5u);
    EXPECT_EQ(hits.lastLine(), 70000u);
    EXPECT_EQ(hits.lineAfter(5), 255u);
    EXPECT_EQ(hits.lineAfter(255), 256u);
    EXPECT_EQ(hits.lineAfter(600), 70000u);
    EXPECT_EQ(hits.lineAfter(70000), std::nullopt);
    EXPECT_EQ(hits.lineBefore(256), 255u);
    EXPECT_EQ(hits.lineBefore(70000), 600u);
    EXPECT_EQ(hits.lineBefore(5), std::nullopt);
    EXPECT_EQ(hits.lineBefore(0), std::nullopt);
    EXPECT_EQ(hits.matchesBefore(256, matchesOn), 3u);
    EXPECT_EQ(hits.matchesBefore(601, matchesOn), 10u);
}

TEST(FindHitsTest, DroppingLinesTakesTheirMatchesEvenFromTheMiddleOfABlock)
{
    FindHits hits = someHits();
    hits.dropBefore(256, matchesOn);
    EXPECT_EQ(hits.total(), 12u);
    EXPECT_EQ(hits.firstLine(), 256u);
    EXPECT_FALSE(hits.has(255));
    hits.dropBefore(601, matchesOn);
    EXPECT_EQ(hits.total(), 5u);
    EXPECT_EQ(hits.lineBefore(70000), std::nullopt);
}
