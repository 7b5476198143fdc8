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

TEST_F(HistoryTest, AfterThreeTimesTheLimitMemoryIsAtTheLimitTheNewestWholeLinesAreThereAndTheNoticeSaysSo)
{
    ReceivedHistory small({std::size_t{1} << 20});
    EXPECT_EQ(small.store().startNotice(), "");
    std::string sent;
    for (std::size_t line = 0; sent.size() < 3 * small.settings().limit; ++line)
        sent += "line " + std::to_string(line) + std::string(64 - 7 - std::to_string(line).size(), '.') + "\n";
    for (std::size_t at = 0; at < sent.size(); at += 4096) {
        clock.advance(ms(1));
        small.received(std::string_view(sent).substr(at, 4096), clock.now());
    }
    const HistoryStore& store = small.store();
    const std::size_t limit = small.settings().limit;
    EXPECT_LE(store.memoryBytes(), limit + limit / 10);
    EXPECT_GE(store.storedBytes(), limit - limit / 16);
    EXPECT_EQ(rawBytes(store), sent.substr(sent.size() - store.storedBytes()));
    EXPECT_EQ(store.droppedBytes() + store.storedBytes(), sent.size());
    // Whole lines go, each of 63 bytes: the first kept is a whole line.
    EXPECT_EQ(std::string(store.line(store.firstLine()).bytes).substr(0, 5), "line ");
    EXPECT_EQ(store.droppedBytes() % 63, 0u);
    const auto mib = (store.droppedBytes() + (1 << 19)) >> 20;
    EXPECT_EQ(store.startNotice(), "history starts at " + localTime(store.line(store.firstLine()).at) + "; " +
                                       std::to_string(mib) + " MiB older were dropped");
    // A flood of empty lines counts its index against the limit too.
    ReceivedHistory empties({std::size_t{1} << 20});
    for (int i = 0; i < 256; ++i)
        empties.received(std::string(4096, '\n'), clock.now());
    EXPECT_LE(empties.store().memoryBytes(), limit + limit / 10);
    EXPECT_EQ(rawBytes(empties.store()), std::string(empties.store().storedBytes(), '\n'));
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
