#include "app/capture/Capture.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// 2026-12-07 18:04:05.000 in local time, plus millis.
Capture::Moment at(int millis)
{
    std::tm local{};
    local.tm_year = 126, local.tm_mon = 11, local.tm_mday = 7, local.tm_hour = 18, local.tm_min = 4, local.tm_sec = 5;
    local.tm_isdst = -1;
    const auto wall = std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(millis);
    return {std::chrono::steady_clock::time_point(std::chrono::milliseconds(millis)), wall};
}

// A text line as the file holds it, stamped at(millis).
std::string line(int millis, const std::string& text)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "2026-12-07 18:04:05.%03d ", millis);
    return stamp + text + "\n";
}

class CaptureTest : public testing::Test {
protected:
    // The lines a text capture started at at(0) and stopped at at(900) writes for what feed gives it.
    template <typename Feed>
    std::string textLines(const Feed& feed)
    {
        std::string error;
        const auto capture = Capture::start(path, Capture::Format::Text, 0, error, CaptureWriter::defaultQueueLimit, at(0));
        if (!capture)
            return error;
        feed(*capture);
        EXPECT_EQ(capture->stop(at(900)), "");
        const std::string text = contents(path), started = line(0, "--- Capture started ---"),
                          stopped = line(900, "--- Capture stopped ---");
        if (!text.starts_with(started) || !text.ends_with(stopped) || text.size() < started.size() + stopped.size())
            return "not between the markers: " + text;
        return text.substr(started.size(), text.size() - started.size() - stopped.size());
    }
    TempDir dir;
    std::string path = dir.path() + "/capture.log";
};

TEST_F(CaptureTest, ALineEndsAtALineFeedOrAnIdleGapButNotAtATickWithinItAndIsStampedWithItsFirstByte)
{
    EXPECT_EQ(textLines([](Capture& capture) {
                  capture.received("one\ntw", at(10));
                  capture.received("o\r\nprompt> ", at(50));
                  capture.tick(at(120));
                  capture.received("ls\n", at(140));
                  capture.received("prompt> ", at(150));
                  capture.received("next\n", at(300));
              }),
              line(10, "one") + line(10, "two\r") + line(50, "prompt> ls") + line(150, "prompt> ") + line(300, "next"));
}

TEST_F(CaptureTest, AMarkerEndsTheLineBeforeItAndLinesShowInTheViewModeTheyEndIn)
{
    EXPECT_EQ(textLines([](Capture& capture) {
                  capture.received("\x01\xFF", at(300));
                  capture.setViewType(1);
                  capture.mark("Port cu.usb closed", at(350));
                  capture.received("A\n", at(400)); // each view mode's escapes are the filter test's
              }),
              line(300, "\\1\\255") + line(350, "--- Port cu.usb closed ---") + line(400, "A\\10"));
}

TEST_F(CaptureTest, InUtf8AStrayByteShowsAsTheViewShowsItAndALineWithNoEndInSightIsCut)
{
    EXPECT_EQ(textLines([](Capture& capture) {
                  capture.setTextEncoding(TextEncodingUtf8);
                  capture.received("h\xC3\xA9 \xE2\x82\xAC \xFF\n", at(600));
                  capture.received(std::string(Capture::maxLineBytes + 1, 'x'), at(800));
              }),
              line(600, "h\xC3\xA9 \xE2\x82\xAC \xEF\xBF\xBD") + line(800, std::string(Capture::maxLineBytes, 'x')) +
                  line(800, "x"));
}

TEST_F(CaptureTest, AFileDeletedUnderItStopsItWithTheReason)
{
    std::string error;
    const auto capture = Capture::start(path, Capture::Format::Raw, 0, error);
    ASSERT_TRUE(capture) << error;
    std::remove(path.c_str());
    // Writing on would lose everything without a word.
    capture->received("lost");
    EXPECT_EQ(capture->stop(), "the file was deleted");
}

} // namespace
