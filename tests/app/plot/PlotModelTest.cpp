#include "app/plot/PlotModel.h"
#include "app/plot/PlotFeed.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Feeds lines through a reader, as the window's stream would.
struct Fed {
    PlotModel model;
    PlotFeed feed{model};
    void lines(std::string_view text) { feed.received(text, Moment{}); }
    void numbers(int from, int to)
    {
        std::string text;
        for (int i = from; i < to; ++i)
            text += std::to_string(i) + "\n";
        lines(text);
    }
};

std::vector<double> shown(const PlotModel& model, std::size_t series)
{
    const auto values = model.values(series, model.shownBegin(), model.shownEnd());
    return {values.begin(), values.end()};
}

PortEvent event(PortEvent::Kind kind)
{
    PortEvent e;
    e.kind = kind;
    return e;
}

} // namespace

TEST(PlotModelTest, KeepsTheNewestWindowOfSamplesAndANarrowerWindowDropsTheOldest)
{
    Fed fed;
    EXPECT_EQ(fed.model.window(), 500u);
    fed.numbers(0, 1200);
    EXPECT_EQ(fed.model.firstKept(), 700u);
    EXPECT_EQ(fed.model.endKept(), 1200u);
    EXPECT_EQ(fed.model.value(0, 700), 700);
    EXPECT_TRUE(std::isnan(fed.model.value(0, 699)));
    fed.model.setWindow(20);
    EXPECT_EQ(shown(fed.model, 0).front(), 1180);
    EXPECT_EQ(fed.model.values(0, 0, 5000).size(), 20u);
    fed.model.setWindow(1'000'000);
    EXPECT_EQ(fed.model.window(), PlotModel::maxWindow);
    fed.numbers(0, 150'000);
    EXPECT_EQ(fed.model.endKept() - fed.model.firstKept(), PlotModel::maxWindow);
    EXPECT_EQ(fed.model.value(0, fed.model.endKept() - 1), 149'999);
}

TEST(PlotModelTest, PausedTheChartStaysWhileSamplesKeepComingAndResumedItShowsTheNewest)
{
    Fed fed;
    fed.model.setWindow(10);
    fed.numbers(0, 30);
    fed.model.pause();
    const auto before = shown(fed.model, 0);
    const auto revision = fed.model.revision();
    fed.numbers(30, 5000);
    EXPECT_EQ(shown(fed.model, 0), before);
    EXPECT_EQ(fed.model.revision(), revision); // nothing to redraw
    EXPECT_EQ(fed.model.endKept(), 5000u);     // nothing that came while paused was lost
    EXPECT_EQ(fed.model.firstKept(), 20u);
    fed.model.resume();
    EXPECT_EQ(shown(fed.model, 0).front(), 4990);
    EXPECT_EQ(fed.model.firstKept(), 4990u);
}

TEST(PlotModelTest, ClearDropsTheSamplesAndSeriesKeepTheirPlaces)
{
    Fed fed;
    fed.lines("a:1 b:2\n");
    fed.model.setShown(1, false);
    fed.model.clear();
    EXPECT_EQ(fed.model.endKept(), 0u);
    EXPECT_EQ(fed.model.stats(0, 0, 1).count, 0u);
    fed.lines("b:5 c:6 a:7\n");
    ASSERT_EQ(fed.model.seriesCount(), 3u);
    EXPECT_EQ(fed.model.series(0).name, "a");
    EXPECT_EQ(fed.model.series(2).name, "c");
    EXPECT_FALSE(fed.model.series(1).shown);
    EXPECT_EQ(fed.model.value(1, 0), 5);
}

TEST(PlotModelTest, StatsOfASeriesSkipTheSamplesWithoutIt)
{
    Fed fed;
    fed.lines("a:3\nb:1\na:-2 b:9\na:5\nb:4\n");
    const PlotModel::Stats a = fed.model.stats(0, 0, 5);
    EXPECT_EQ(a.count, 3u);
    EXPECT_EQ(a.min, -2);
    EXPECT_EQ(a.max, 5);
    EXPECT_EQ(a.last, 5);
    EXPECT_EQ(fed.model.stats(1, 0, 5).last, 4);
}

TEST(PlotModelTest, TheCsvExportReadsBackAsTheSameSamples)
{
    Fed fed;
    fed.lines("junk\nx:0.1 y:-1e-300\ny:123456789.125\nx:3 z:2\n");
    const std::string csv = fed.model.csv();
    EXPECT_EQ(csv, "x,y,z\n0.1,-1e-300,\n,123456789.125,\n3,,2\n");
    Fed again;
    again.lines(csv);
    EXPECT_EQ(again.model.csv(), csv);
    EXPECT_EQ(again.model.endKept(), 3u);
}

TEST(PlotModelTest, SeriesBeyondTheMostAreLeftOutAndCounted)
{
    Fed fed;
    std::string line;
    for (std::size_t i = 0; i < PlotModel::maxSeries + 3; ++i)
        line += "s" + std::to_string(i) + ":1 ";
    fed.lines(line + "\n");
    EXPECT_EQ(fed.model.seriesCount(), PlotModel::maxSeries);
    EXPECT_EQ(fed.model.droppedSeries(), 3u);
}

TEST(PlotModelTest, AReopenedPortStartsAFreshLine)
{
    Fed fed;
    fed.lines("12");
    fed.feed.portEvent(event(PortEvent::Kind::Gone));
    fed.feed.portEvent(event(PortEvent::Kind::Reconnected));
    fed.lines("34\n");
    EXPECT_EQ(fed.model.value(0, 0), 34);
    fed.lines("5");
    fed.feed.portEvent(event(PortEvent::Kind::Note));
    fed.lines("6\n");
    EXPECT_EQ(fed.model.value(0, 1), 56);
}
