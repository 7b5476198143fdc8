#include "app/capture/Capture.h"
#include "tests/app/DocumentFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the event loop until the device took `count` bytes in all, or ten seconds passed.
void runUntilReceived(const Device& device, std::uint64_t count)
{
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (device.getReceivedSinceOpen() < count && std::chrono::steady_clock::now() < deadline)
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 20ms);
}

// Stops the window's capture and ticks until the file is written out, or two seconds passed.
void stopAndWait(Window& window)
{
    window.document->stopCapture();
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!window.document->captureState().empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
        window.tick();
    }
}

Capture::Moment at(int millis)
{
    // 2026-12-07 18:04:05.000 in local time, plus millis.
    std::tm local{};
    local.tm_year = 126, local.tm_mon = 11, local.tm_mday = 7, local.tm_hour = 18, local.tm_min = 4, local.tm_sec = 5;
    local.tm_isdst = -1;
    const auto wall = std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(millis);
    return {std::chrono::steady_clock::time_point(std::chrono::milliseconds(millis)), wall};
}

} // namespace

TEST_F(DocumentTest, TwoWindowsCaptureEveryByteOfOneDeviceAndAClosingWindowLeavesItsFileComplete)
{
    Pty& pty = attach("cu.usb");
    auto first = openWindow("cu.usb");
    auto second = openWindow("cu.usb");
    ASSERT_EQ(first->document->startCapture(dev.path() + "/raw.log", Capture::Format::Raw), "");
    // The same file again would empty it under the first capture and interleave with it.
    EXPECT_NE(second->document->startCapture(dev.path() + "/raw.log", Capture::Format::Raw).find("another capture"),
              std::string::npos);
    ASSERT_EQ(second->document->startCapture(dev.path() + "/second.log", Capture::Format::Raw), "");

    // Every byte value, NUL, CR, LF and 0x80-0xFF among them, in an order that shows a lost chunk.
    std::string sent;
    for (std::size_t i = 0; i < (4u << 20); ++i)
        sent.push_back(static_cast<char>((i * 7 + i / 251) & 0xFF));
    std::thread writer([&] { pty.writeMaster(sent); });
    log.take();
    runUntilReceived(*first->device(), sent.size());
    writer.join();
    log.take();

    EXPECT_EQ(first->document->captureState(), "Capturing to raw.log: " + std::to_string(sent.size()) + " bytes");
    stopAndWait(*first);
    EXPECT_EQ(first->document->statusText(), "Capture saved to raw.log: " + std::to_string(sent.size()) + " bytes.");
    second->document->close(); // what quitting does to every window
    EXPECT_TRUE(contents(dev.path() + "/raw.log") == sent);
    EXPECT_TRUE(contents(dev.path() + "/second.log") == sent);

    // Save Received As: the receive buffer, one byte per character.
    first->document->saveReceived(dev.path() + "/received.bin");
    EXPECT_TRUE(contents(dev.path() + "/received.bin") == sent.substr(sent.size() - Device::maxRecvChars));
}

TEST(Capture, TextLinesEndAtLineFeedsAndIdleGapsAndShowInTheViewMode)
{
    TempDir dir;
    const std::string path = dir.path() + "/text.log";
    std::string error;
    auto capture = Capture::start(path, Capture::Format::Text, 0, error, CaptureWriter::defaultQueueLimit, at(0));
    ASSERT_TRUE(capture) << error;
    capture->received("one\ntw", at(10));
    capture->received("o\r\nprompt> ", at(50));    // within the gap: the same line goes on
    capture->tick(at(120));                        // too soon to end the prompt
    capture->received("\x01\xFF", at(300));        // after a gap: the prompt stands alone
    capture->setViewType(1);
    capture->mark("Port cu.usb closed", at(350)); // ends the binary line first
    capture->received("A\n", at(400));            // each view mode's escapes are the filter test's
    capture->setViewType(0);
    capture->setTextEncoding(TextEncodingUtf8);   // as the view shows it: a stray byte as U+FFFD
    capture->received("h\xC3\xA9 \xE2\x82\xAC \xFF\n", at(600));
    capture->received(std::string(Capture::maxLineBytes + 1, 'x'), at(800)); // no end in sight: cut
    EXPECT_EQ(capture->stop(at(900)), "");
    EXPECT_EQ(contents(path), "2026-12-07 18:04:05.000 --- Capture started ---\n"
                              "2026-12-07 18:04:05.010 one\n"
                              "2026-12-07 18:04:05.010 two\r\n"
                              "2026-12-07 18:04:05.050 prompt> \n"
                              "2026-12-07 18:04:05.300 \\1\\255\n"
                              "2026-12-07 18:04:05.350 --- Port cu.usb closed ---\n"
                              "2026-12-07 18:04:05.400 A\\10\n"
                              "2026-12-07 18:04:05.600 h\xC3\xA9 \xE2\x82\xAC \xEF\xBF\xBD\n"
                              "2026-12-07 18:04:05.800 " + std::string(Capture::maxLineBytes, 'x') + "\n"
                              "2026-12-07 18:04:05.800 x\n"
                              "2026-12-07 18:04:05.900 --- Capture stopped ---\n");
}

TEST_F(DocumentTest, ATextCaptureMarksThePortOpeningClosingAndGoingAwayWithTimesInOrder)
{
    Pty& pty = attach("cu.usb");
    auto window = openWindow();
    ASSERT_EQ(window->document->startCapture(dev.path() + "/text.log", Capture::Format::Text), "");
    window->readOn();
    pty.writeMaster("hello\n");
    tickUntil(*window, 6);
    window->readOff();
    window->readOn();
    pty.hangUp();
    window->tick();
    stopAndWait(*window);

    // The time's layout is the text test's; here only its order.
    std::istringstream lines(contents(dev.path() + "/text.log"));
    std::string previous, body;
    for (std::string each; std::getline(lines, each) && each.size() > 24;) {
        EXPECT_LE(previous, each.substr(0, 23)) << "times in order";
        previous = each.substr(0, 23);
        body += each.substr(24) + "\n";
    }
    EXPECT_EQ(body, "--- Capture started ---\n"
                    "--- Port cu.usb opened, 9600 none-8-1 None ---\n"
                    "hello\n"
                    "--- Port cu.usb closed ---\n"
                    "--- Port cu.usb opened, 9600 none-8-1 None ---\n"
                    "--- cu.usb went away: Input/output error ---\n"
                    "--- Capture stopped ---\n");
}

TEST_F(DocumentTest, AFailingWriteOrAFullQueueStopsTheCaptureWithTheReasonAndKeepsWhatCameBefore)
{
    // A device is no file to keep a capture in.
    attach("cu.usb");
    auto window = openWindow("cu.usb");
    EXPECT_EQ(window->document->startCapture("/dev/full", Capture::Format::Raw), "it is a device, not a regular file");
    EXPECT_NE(window->document->startCapture(dev.path() + "/no/such/folder.log", Capture::Format::Raw), "");

    // A size limit: the file holds exactly what fitted.
    const std::string data = std::string(300000, 'x') + "end";
    const std::string path = dev.path() + "/limited.log";
    std::string error;
    auto capture = Capture::start(path, Capture::Format::Raw, 0, error);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 100000;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    capture->received(data);
    const std::string failure = capture->stop();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_EQ(failure, "File too large");
    EXPECT_TRUE(contents(path) == data.substr(0, 100000));

    // Deleted under the capture: writing on would lose everything without a word.
    capture = Capture::start(path, Capture::Format::Raw, 0, error);
    std::remove(path.c_str());
    capture->received("lost");
    EXPECT_EQ(capture->stop(), "the file was deleted");
}
