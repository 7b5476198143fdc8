#include "app/capture/CaptureWriter.h"
#include "app/capture/Captures.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

// A named pipe nobody reads would hold the window in open() until somebody does, and a device
// is no file to keep a capture in.
TEST(CaptureFiles, ACaptureToANamedPipeIsRefusedWithoutWaitingForAReader)
{
    TempDir dir;
    const std::string fifo = dir.path() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string error;
    EXPECT_EQ(Capture::start(fifo, Capture::Format::Raw, 0, error), nullptr);
    EXPECT_EQ(error, "it is a named pipe (FIFO), not a regular file");
    EXPECT_EQ(Capture::start("/dev/full", Capture::Format::Raw, 0, error), nullptr);
    EXPECT_EQ(error, "it is a device, not a regular file");
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
    EXPECT_EQ(status,
              "Capture to log.bin ended, but the file was deleted or replaced meanwhile: its 5 bytes are not there.");
}

// A file that can take no more (the disk is full, a size limit) stops the capture, which says why.
TEST(CaptureFiles, AWriteThatFailsStopsTheCaptureAndSaysWhy)
{
    StderrCapture errors;
    TempDir dir;
    std::string status;
    Captures captures({[&](const std::string& text) { status = text; }, [] {}});
    ASSERT_EQ(captures.start(dir.path() + "/full.log", Capture::Format::Raw, nullptr), "");
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 1000;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    captures.received(std::string(5000, 'x'), Moment::now());
    for (int i = 0; i < 200 && captures.current(); ++i) {
        std::this_thread::sleep_for(10ms);
        captures.idle(Moment::now()); // hears of the writer's failure, as the window's tick does
    }
    captures.reap(true);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_EQ(captures.current(), nullptr);
    EXPECT_EQ(status, "Capture to full.log stopped: File too large. What came before is in the file.");
    std::ifstream file(dir.path() + "/full.log", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), std::string(1000, 'x')) << "up to the limit";
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

// A disk that can't keep up (here a pipe read late): the writer stops taking at a whole chunk,
// never drops one in the middle, and a stop never waits for it.
TEST(CaptureFiles, ADiskThatFallsBehindStopsTheWriterAtAWholeChunk)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    FileDescriptor reader(ends[0]);
    // The pipe is full before the writer starts, so its first write is stuck whenever its
    // thread gets to run: a thread that starts late must not find a disk with room.
    const int flags = ::fcntl(ends[1], F_GETFL);
    ::fcntl(ends[1], F_SETFL, flags | O_NONBLOCK);
    std::string sent;
    while (::write(ends[1], "z", 1) == 1)
        sent += 'z';
    ::fcntl(ends[1], F_SETFL, flags);
    CaptureWriter writer(FileDescriptor(ends[1]), 1024);
    for (int i = 0; i < 1000; ++i) {
        const std::string chunk(512, static_cast<char>('a' + i % 26));
        if (!writer.write(chunk))
            break;
        sent += chunk;
    }
    EXPECT_NE(writer.failure().find("behind the port"), std::string::npos) << writer.failure();
    writer.requestFinish();
    EXPECT_FALSE(writer.isFinished()) << "a stop never waits on a stuck disk";
    std::string drained;
    std::thread drain([&] {
        char buffer[4096];
        for (ssize_t n; (n = ::read(reader.get(), buffer, sizeof buffer)) > 0;)
            drained.append(buffer, static_cast<std::size_t>(n));
    });
    writer.finish();
    drain.join();
    EXPECT_TRUE(drained == sent);
}
