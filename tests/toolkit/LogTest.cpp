#include "toolkit/Log.h"

#include "tests/support/Redirect.h"
#include "toolkit/LogWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <memory>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string contents(const File& file)
{
    std::string text(1 << 16, '\0');
    const ssize_t n = ::pread(::fileno(file.get()), text.data(), text.size(), 0);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

// Reads until what came ends with `last`, or until nothing came for two seconds.
std::string readThrough(int fd, std::string_view last)
{
    std::string received;
    char chunk[1 << 16];
    pollfd entry{fd, POLLIN, 0};
    while (!received.ends_with(last) && ::poll(&entry, 1, 2000) > 0) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0)
            break;
        received.append(chunk, static_cast<std::size_t>(n));
    }
    return received;
}

} // namespace

// While stdout is redirected, gtest's own failure messages would go there too: the test keeps
// what it saw and checks it once stdout is back.
TEST(Log, AReaderThatKeepsUpGetsEveryByteAndAStalledOneCostsCountedLinesNotTimeAndAGoneOneNothing)
{
    constexpr int count = 100000;
    static_assert(count * 7 > 2 * LogWriter::capacity, "enough lines to overflow the pipe and the queue");
    int ends[2] = {-1, -1};
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    FileDescriptor pipeRead(ends[0]);
    const FileDescriptor pipeWrite(ends[1]);
    const File errors(std::tmpfile(), &std::fclose);
    std::string expected, everyByte, report;
    bool prompt = false;
    bool flushed = true;
    std::future<std::string> received;
    {
        const Redirect err(STDERR_FILENO, ::fileno(errors.get()));
        const Redirect out(STDOUT_FILENO, pipeWrite.get());
        received = std::async(std::launch::async, [&] { return readThrough(pipeRead.get(), "end\n"); });
        // Longer than PIPE_BUF, and longer than the pipe itself, so it leaves in pieces.
        for (const std::string& line : {std::string(), std::string("caf\xc3\xa9 \x01\x7f\t"), std::string(5000, 'x'),
                 std::string(70000, 'y')}) {
            logLine(line);
            expected += line + "\n";
        }
        for (int i = 0; i < 2000; ++i) {
            logLinef("n%d", i);
            expected += "n" + std::to_string(i) + "\n";
        }
        expected += "end\n";
        logLine("end");
        flushed = flushLog(5s);
        everyByte = received.get();

        std::future<void> logging = std::async(std::launch::async, [] {
            for (int i = 0; i < count; ++i)
                logLinef("line %d", i);
        });
        prompt = logging.wait_for(10s) == std::future_status::ready;
        received = std::async(std::launch::async, [&] { return readThrough(pipeRead.get(), "after 9\n"); });
        logging.wait(); // if it did wait for the reader, the reader has now let it go
        flushed = flushLog(10s) && flushed;
        report = contents(errors);
        for (int i = 0; i < 10; ++i)
            logLinef("after %d", i);
        received.wait();

        // Unless SIGPIPE is ignored, a reader that went away ends the program here.
        pipeRead.reset();
        for (int i = 0; i < 100; ++i)
            logLinef("into nowhere %d", i);
        flushed = flushLog(5s) && flushed;
    }
    EXPECT_TRUE(flushed);
    EXPECT_TRUE(everyByte == expected) << "the lines arrived changed, out of order or incomplete";
    EXPECT_TRUE(prompt) << "logging waited for the reader";

    // What came is whole lines in order, with gaps where whole lines were dropped (one, or more
    // when the writer made room between bursts), then the later lines; stderr counts each gap.
    std::istringstream arrived(received.get());
    int kept = 0, last = -1;
    bool ordered = true;
    for (std::string line; std::getline(arrived, line) && line != "after 0"; ++kept) {
        int number = -1;
        ordered = ordered && std::sscanf(line.c_str(), "line %d", &number) == 1 && number > last;
        last = number;
    }
    EXPECT_TRUE(ordered) << "lines were cut, reordered or changed";
    ASSERT_GT(kept, 0);
    ASSERT_LT(kept, count);
    int after = 1;
    for (std::string line; std::getline(arrived, line); ++after)
        EXPECT_EQ(line, "after " + std::to_string(after));
    EXPECT_EQ(after, 10);
    std::istringstream said(report);
    int dropped = 0;
    for (std::string line; std::getline(said, line);) {
        int gap = 0;
        char rest[64] = {};
        EXPECT_EQ(std::sscanf(line.c_str(), "serialterm: %d log lines dropped: %63[^\n]", &gap, rest), 2) << line;
        EXPECT_STREQ(rest, "standard output was not being read");
        dropped += gap;
    }
    EXPECT_EQ(dropped, count - kept);
    EXPECT_EQ(contents(errors), report) << "losing lines to a reader that quit is no news";
}
