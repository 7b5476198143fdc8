#include "app/capture/CaptureWriter.h"
#include "app/capture/Captures.h"
#include "app/terminal/saveBytes.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

// A named pipe nobody reads would hold the window in open() until somebody does.
TEST(CaptureFiles, ACaptureToANamedPipeIsRefusedWithoutWaitingForAReader)
{
    TempDir dir;
    const std::string fifo = dir.path() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string error;
    EXPECT_EQ(Capture::start(fifo, Capture::Format::Raw, 0, error), nullptr);
    EXPECT_EQ(error, "it is a named pipe (FIFO), not a regular file");
}

TEST(CaptureFiles, SavingToANamedPipeIsRefusedWithoutWaitingForAReader)
{
    TempDir dir;
    const std::string fifo = dir.path() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(saveBytes(fifo, "abc"), "it is a named pipe (FIFO), not a regular file");
}

TEST(CaptureFiles, ACaptureWhoseFileWasDeletedSaysItsBytesAreNotThere)
{
    StderrCapture errors;
    TempDir dir;
    std::string status;
    Captures captures({[&](const std::string& text) { status = text; }, [] {}});
    ASSERT_EQ(captures.start(dir.path() + "/log.bin", Capture::Format::Raw, nullptr), "");
    captures.received("hello", Moment::now());
    std::filesystem::remove(dir.path() + "/log.bin");
    captures.stop();
    captures.reap(true);
    EXPECT_EQ(status.find("is in the file"), std::string::npos) << status;
    EXPECT_NE(status.find("deleted or replaced"), std::string::npos) << status;
}

// A disk that stops taking bytes (here a pipe nobody reads) must not hold quitting for good.
TEST(CaptureFiles, AWriterTheDiskHoldsUpIsLeftAfterItsTimeWithTheBytesItLost)
{
    std::signal(SIGPIPE, SIG_IGN);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    FileDescriptor reader(ends[0]);
    CaptureWriter writer{FileDescriptor(ends[1])};
    ASSERT_TRUE(writer.write(std::string(1 << 20, 'x')));
    const auto start = std::chrono::steady_clock::now();
    const std::string outcome = writer.finish(200ms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_TRUE(outcome.starts_with("the capture could not be written out: ")) << outcome;
    EXPECT_TRUE(outcome.ends_with(" bytes lost")) << outcome;
    reader = FileDescriptor(); // the stuck write fails now, and the left thread ends
}
