// A window's captures as one consumer of its stream: what they write, the markers the port's
// events make, and what they tell the window.
#include "app/capture/Captures.h"

#include "app/stream/ReceivedStream.h"
#include "tests/support/Await.h"
#include "tests/support/ManualClock.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CapturesTest : public testing::Test {
protected:
    CapturesTest() { stream.add(captures); }
    ~CapturesTest() override { stream.remove(captures); }

    PortEvent event(PortEvent::Kind kind, int error = 0)
    {
        PortEvent event;
        event.kind = kind;
        event.name = "cu.usb";
        event.settingsTitle = "9600 none-8-1 None";
        event.error = error;
        event.at = clock.now();
        return event;
    }
    void open() { stream.announce(event(PortEvent::Kind::Opened)); }
    std::string start(Capture::Format format = Capture::Format::Raw)
    {
        return captures.start(path, format, stream.portOpen());
    }
    // The file once written out, each line without its stamp.
    std::string stopped()
    {
        captures.stop();
        captures.reap(true);
        std::istringstream lines(contents(path));
        std::string body;
        for (std::string each; std::getline(lines, each);)
            body += each.substr(std::min<std::size_t>(24, each.size())) + "\n";
        return body;
    }

    ManualClock clock;
    TempDir dir;
    std::string path = dir.path() + "/capture.log";
    std::string status = "untouched";
    int changes = 0;
    ReceivedStream stream;
    Captures captures{{[this](const std::string& text) { status = text; }, [this] { ++changes; }}};
};

TEST_F(CapturesTest, ItStartsMarkingThePortOpenAndMarksEveryEventInItsPlaceAmongTheBytes)
{
    open();
    ASSERT_EQ(start(Capture::Format::Text), "");
    stream.deliver("hello\n", clock.now());
    stream.announce(event(PortEvent::Kind::Closed));
    stream.announce(event(PortEvent::Kind::Reconnected));
    stream.announce(event(PortEvent::Kind::Gone, EIO));
    PortEvent gone = event(PortEvent::Kind::Gone);
    gone.name = "cu.a\nb"; // a control character must not start a line of its own
    stream.announce(gone);
    PortEvent note = event(PortEvent::Kind::Note);
    note.text = "Sending boot.bin";
    stream.announce(note);
    EXPECT_EQ(stopped(), "--- Capture started ---\n"
                         "--- Port cu.usb opened, 9600 none-8-1 None ---\n"
                         "hello\n"
                         "--- Port cu.usb closed ---\n"
                         "--- Port cu.usb opened, 9600 none-8-1 None ---\n"
                         "--- cu.usb went away: Input/output error ---\n"
                         "--- cu.a\\10b went away ---\n"
                         "--- Sending boot.bin ---\n"
                         "--- Capture stopped ---\n");
}

TEST_F(CapturesTest, ItsStateCountsTheBytesAndItsOutcomeIsToldOnceTheFileIsDone)
{
    ASSERT_EQ(start(), "");
    EXPECT_EQ(status, "");
    stream.deliver("12345", clock.now());
    EXPECT_EQ(captures.state(), "Capturing to capture.log: 5 bytes");
    EXPECT_EQ(captures.bytesCaptured(), 5u);
    captures.stop();
    captures.reap(true);
    EXPECT_EQ(status, "Capture saved to capture.log: 5 bytes.");
    EXPECT_EQ(captures.state(), "");
    EXPECT_EQ(changes, 2) << "started, stopped";
}

TEST_F(CapturesTest, AFileThatCannotBeMadeOrIsAnotherCapturesIsRefusedWithTheReason)
{
    // Another capture's would be emptied under it, and the two would interleave.
    Captures other({[](const std::string&) {}, [] {}});
    ASSERT_EQ(other.start(path, Capture::Format::Raw, nullptr), "");
    EXPECT_EQ(start(), "another capture is writing to it");
    EXPECT_EQ(status, "Cannot capture to " + path + ": another capture is writing to it.");
    EXPECT_EQ(captures.current(), nullptr);
    path = dir.path() + "/no/such/folder.log";
    EXPECT_EQ(start(), "No such file or directory");
}

} // namespace
