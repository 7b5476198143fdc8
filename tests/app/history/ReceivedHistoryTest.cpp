#include "tests/app/history/HistoryFixture.h"

#include <random>

using Kind = PortEvent::Kind;
using Strings = std::vector<std::string>;

TEST_F(HistoryTest, ALineEndsAtEachLineFeedWhereverTheReadsSplitIt)
{
    deliver("boot\nrea");
    deliver("dy\n\nprompt> ");
    EXPECT_EQ(lines(), (Strings{"boot\n", "ready\n", "\n", "prompt> "}));
    EXPECT_TRUE(history.store().lastLineOpen());
}

TEST_F(HistoryTest, AnIdleGapBetweenArrivalsOrToldByTheTickEndsALine)
{
    deliver("ab");
    deliver("cd", ms(99));
    deliver("ef", ms(100));
    history.idle(clock.now() + ms(99));
    EXPECT_TRUE(history.store().lastLineOpen());
    history.idle(clock.now() + ms(100));
    EXPECT_FALSE(history.store().lastLineOpen());
    deliver("gh", ms(100));
    EXPECT_EQ(lines(), (Strings{"abcd", "ef", "gh"}));
}

TEST_F(HistoryTest, AStreamWithoutLineFeedsIsCutAtTheCapturesLengthLimit)
{
    const std::string flood(2 * Capture::maxLineBytes + 5, 'x');
    for (std::size_t at = 0; at < flood.size(); at += 1000)
        deliver(std::string_view(flood).substr(at, 1000));
    EXPECT_EQ(lines(), (Strings{flood.substr(0, Capture::maxLineBytes), flood.substr(0, Capture::maxLineBytes), "xxxxx"}));
}

TEST_F(HistoryTest, EachLineCarriesTheArrivalOfItsFirstByteAndStampsNeverGoBack)
{
    deliver("one\ntw", ms(5));
    const Moment first = clock.now();
    deliver("o\nthree\n", ms(30));
    const Moment second = clock.now();
    PortEvent late;
    late.kind = Kind::Note;
    late.text = "late";
    late.at = first; // told after lines stamped later
    history.portEvent(late);
    const HistoryStore& store = history.store();
    ASSERT_EQ(store.endLine(), 4u);
    EXPECT_EQ(store.line(0).at, first);
    EXPECT_EQ(store.line(1).at, first);
    EXPECT_EQ(store.line(2).at, second);
    EXPECT_EQ(store.line(3).at, second);
}

TEST_F(HistoryTest, PortEventsAreMarkedLinesAndAReconnectSaysHowLongThePortWasAway)
{
    event(Kind::Opened);
    deliver("half a li");
    event(Kind::Gone, ms(10), EIO);
    event(Kind::Reconnected, ms(2500));
    event(Kind::Closed, ms(1));
    EXPECT_EQ(lines(), (Strings{"[Port cu.usb opened, 115200 none-8-1 None]", "half a li",
                                "[cu.usb went away: Input/output error]",
                                "[Port cu.usb reconnected after 2.500 s away, 115200 none-8-1 None]",
                                "[Port cu.usb closed]"}));
}

TEST_F(HistoryTest, AfterThreeTimesTheLimitMemoryIsAtTheLimitAndTheNewestBytesAreAllThere)
{
    ReceivedHistory small({std::size_t{1} << 20});
    std::string sent;
    for (std::size_t line = 0; sent.size() < 3 * small.settings().limit; ++line)
        sent += "line " + std::to_string(line) + std::string(64 - 7 - std::to_string(line).size(), '.') + "\n";
    for (std::size_t at = 0; at < sent.size(); at += 4096)
        small.received(std::string_view(sent).substr(at, 4096), clock.now());
    const HistoryStore& store = small.store();
    const std::size_t limit = small.settings().limit;
    EXPECT_LE(store.memoryBytes(), limit + limit / 10);
    EXPECT_GE(store.storedBytes(), limit - limit / 16);
    EXPECT_EQ(rawBytes(store), sent.substr(sent.size() - store.storedBytes()));
    EXPECT_EQ(store.droppedBytes() + store.storedBytes(), sent.size());
    // Whole lines go: the first kept is a whole line.
    EXPECT_EQ(std::string(store.line(store.firstLine()).bytes).substr(0, 5), "line ");
}

TEST_F(HistoryTest, TheStartNoticeSaysWhereTheHistoryNowBeginsAndHowMuchWentBefore)
{
    ReceivedHistory small({std::size_t{1} << 20});
    EXPECT_EQ(small.store().startNotice(), "");
    const std::string line(63, 'x');
    for (int i = 0; i < 3 * 16384; ++i) {
        clock.advance(ms(1));
        small.received(line + "\n", clock.now());
    }
    const HistoryStore& store = small.store();
    const auto wall = store.line(store.firstLine()).at.wall;
    const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char time[16];
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    const auto millis = std::chrono::duration_cast<ms>(wall.time_since_epoch()).count() % 1000;
    const auto mib = (store.droppedBytes() + (1 << 19)) >> 20;
    EXPECT_EQ(store.startNotice(), "history starts at " + std::string(time) + "." + std::to_string(1000 + millis).substr(1)
                                       + "; " + std::to_string(mib) + " MiB older were dropped");
    EXPECT_EQ(store.droppedBytes() % 64, 0u);
}

TEST_F(HistoryTest, AFloodOfEmptyLinesCountsItsIndexAgainstTheLimit)
{
    ReceivedHistory small({std::size_t{1} << 20});
    const std::string feeds(4096, '\n');
    for (int i = 0; i < 256; ++i)
        small.received(feeds, clock.now());
    const std::size_t limit = small.settings().limit;
    EXPECT_LE(small.store().memoryBytes(), limit + limit / 10);
    EXPECT_EQ(rawBytes(small.store()), std::string(small.store().storedBytes(), '\n'));
}

TEST_F(HistoryTest, ASnapshotKeepsWhatItSawWhileTheHistoryGoesOnAndDrops)
{
    ReceivedHistory small({std::size_t{1} << 20});
    std::mt19937 random(7);
    const auto feed = [&](std::size_t bytes) {
        std::string sent(bytes, '\0');
        for (char& c : sent)
            c = static_cast<char>(random() % 4 == 0 ? '\n' : 'a' + random() % 26);
        for (std::size_t at = 0; at < sent.size(); at += 777)
            small.received(std::string_view(sent).substr(at, 777), clock.now());
    };
    feed(300000);
    const auto snapshot = small.snapshot();
    const Strings seen = linesOf(*snapshot);
    const std::string raw = rawBytes(*snapshot);
    feed(3 << 20);
    EXPECT_GT(small.store().firstLine(), snapshot->endLine());
    EXPECT_EQ(linesOf(*snapshot), seen);
    EXPECT_EQ(rawBytes(*snapshot), raw);
}

TEST_F(HistoryTest, StampsStayTheDeliveredOnesAcrossLongSilencesAndWallClockJumps)
{
    std::vector<Moment> sent;
    Moment at = clock.now();
    for (int i = 0; i < 6; ++i) {
        // Two hours of silence, then the wall clock set back a minute while the steady one runs on.
        at = i == 2 ? at + std::chrono::hours(2) : at + ms(7);
        if (i == 4)
            at.wall -= std::chrono::minutes(1);
        sent.push_back(at);
        history.received("line\n", at);
    }
    for (std::uint64_t line = 0; line < sent.size(); ++line)
        EXPECT_EQ(history.store().line(line).at, sent[line]) << "line " << line;
}
