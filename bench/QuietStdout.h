// Points fd 1 at /dev/null for as long as it lives: the terminal logs a line on stdout at every
// read, and timing whatever consumes those lines would swamp the figures. The original stdout
// stays reachable through report(), so results can still be piped.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        const int saved = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        const bool pointed = saved != -1 && null != -1 && ::dup2(null, STDOUT_FILENO) != -1;
        const int error = errno;
        if (null != -1)
            ::close(null);
        if (!pointed) {
            if (saved != -1)
                ::close(saved);
            throw std::runtime_error(std::string("cannot point stdout at /dev/null: ") + std::strerror(error));
        }
        report_ = ::fdopen(saved, "w");
        if (!report_) {
            ::dup2(saved, STDOUT_FILENO);
            ::close(saved);
            throw std::runtime_error(std::string("fdopen: ") + std::strerror(errno));
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;
    ~QuietStdout()
    {
        std::fflush(report_);
        ::dup2(::fileno(report_), STDOUT_FILENO);
        std::fclose(report_);
    }

    // The stdout the program started with.
    std::FILE* report() const { return report_; }

private:
    std::FILE* report_ = nullptr;
};
