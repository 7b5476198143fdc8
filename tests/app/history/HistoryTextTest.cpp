#include "app/capture/renderCaptureLine.h"
#include "app/history/HistorySaver.h"
#include "app/history/gutterText.h"
#include "app/history/historyText.h"
#include "app/text/ViewType.h"
#include "tests/app/history/HistoryFixture.h"
#include "tests/support/TempDir.h"

#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Saves what history holds to path and waits for the save to end, two seconds at most: "" or why not.
std::string save(const ReceivedHistory& history, const std::string& path, HistorySaver::Format format, int viewType)
{
    std::string error;
    const auto saver = HistorySaver::start(path, format, history.snapshot(), viewType, TextEncodingLatin1, error);
    for (int i = 0; saver && i < 2000 && !saver->isFinished(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return !saver ? error : saver->isFinished() ? saver->result() : "never finished";
}

} // namespace

TEST_F(HistoryTest, TheGutterTellsTheClockTheTimeSinceThePreviousLineOrSinceThePortOpened)
{
    deliver("before any opening\n");
    event(PortEvent::Kind::Opened, ms(1000));
    deliver("one\n", ms(1500));
    deliver("two\n", ms(250));
    StampText stamps;
    const HistoryStore& store = history.store();
    EXPECT_EQ(gutterText(GutterMode::Clock, store, 3, stamps), localTime(store.line(3).at));
    EXPECT_EQ(gutterText(GutterMode::SincePrevious, store, 0, stamps), "          ");
    EXPECT_EQ(gutterText(GutterMode::SincePrevious, store, 3, stamps), "    +0.250");
    EXPECT_EQ(gutterText(GutterMode::SincePortOpened, store, 0, stamps), "          ");
    EXPECT_EQ(gutterText(GutterMode::SincePortOpened, store, 3, stamps), "     1.750");
    EXPECT_EQ(gutterText(GutterMode::None, store, 3, stamps), "");
}

TEST_F(HistoryTest, CopyGivesTheSelectedLinesAsShownAfterTheirGutter)
{
    event(PortEvent::Kind::Opened);
    deliver("a\tb\r\n", ms(2));
    deliver("\x01z\n", ms(3));
    deliver("not copied\n", ms(4));
    EXPECT_EQ(copiedHistoryText(history.store(), 1, 3, GutterMode::SincePortOpened, ViewTypeMixed, TextEncodingLatin1,
                                false),
              "     0.002 a\\9b\\13\\10\n     0.005 \\1z\\10\n");
    EXPECT_EQ(copiedHistoryText(history.store(), 0, 2, GutterMode::None, ViewTypeText, TextEncodingLatin1, false),
              "--- Port cu.usb opened, 115200 none-8-1 None ---\na\tb\n");
    // In the text view every byte is rendered as the capture renders it.
    std::string bytes;
    for (int value = 0; value < 256; ++value)
        if (value != '\n')
            bytes.push_back(static_cast<char>(value));
    deliver(bytes);
    EXPECT_EQ(copiedHistoryText(history.store(), 4, 5, GutterMode::None, ViewTypeText, TextEncodingLatin1, false),
              renderCaptureLine(bytes, ViewTypeText) + "\n");
}

TEST_F(HistoryTest, SavedAsRawTheFileHoldsExactlyTheBytesDelivered)
{
    std::string sent;
    for (int i = 0; i < 200000; ++i)
        sent.push_back(static_cast<char>((i * 7919) >> 3));
    for (std::size_t at = 0; at < sent.size(); at += 333)
        deliver(std::string_view(sent).substr(at, 333), ms(at % 7 == 0 ? 150 : 1));
    event(PortEvent::Kind::Closed);
    const TempDir folder;
    ASSERT_EQ(save(history, folder.path() + "/raw", HistorySaver::Format::Raw, ViewTypeHex), "");
    EXPECT_TRUE(contents(folder.path() + "/raw") == sent);
}

TEST_F(HistoryTest, SavedAsTextTheFileHoldsWhatATextCaptureOfTheSameStreamHolds)
{
    const TempDir folder;
    std::string error;
    auto capture = Capture::start(folder.path() + "/capture", Capture::Format::Text, ViewTypeMixed, error, 1 << 20,
                                  clock.now());
    ASSERT_TRUE(capture) << error;
    const auto both = [&](std::string_view bytes, ms after) {
        deliver(bytes, after);
        capture->received(bytes, clock.now());
    };
    both("Booting \xe2\x82\xac\r\n", ms(1));
    both("ok\nprompt> ", ms(1200));
    both("typed", ms(150));
    history.idle(clock.now() + ms(100));
    capture->tick(clock.now() + ms(100));
    event(PortEvent::Kind::Closed, ms(200));
    capture->mark("Port cu.usb closed", clock.now());
    capture->stop(clock.now());
    ASSERT_EQ(save(history, folder.path() + "/saved", HistorySaver::Format::Text, ViewTypeMixed), "");
    // The capture's own first and last markers say when it started and stopped.
    std::string captured = contents(folder.path() + "/capture");
    captured = captured.substr(captured.find('\n') + 1);
    captured.erase(captured.rfind('\n', captured.size() - 2) + 1);
    EXPECT_EQ(contents(folder.path() + "/saved"), captured);
}

TEST_F(HistoryTest, ASaveRefusesAFifoWithoutWaitingForAReader)
{
    const TempDir folder;
    const std::string fifo = folder.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    deliver("x\n");
    std::string error;
    EXPECT_FALSE(HistorySaver::start(fifo, HistorySaver::Format::Raw, history.snapshot(), 0, TextEncodingLatin1, error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}
