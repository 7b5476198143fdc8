// Takes the program's log lines for as long as it lives, in place of standard output, so a test
// reads exactly the bytes that would have been printed without redirecting fd 1. Captures nest:
// the innermost one takes the lines, and the one it replaced takes them again once it is gone.
#pragma once

#include "toolkit/Log.h"

#include <string>
#include <utility>

class LogCapture {
public:
    LogCapture() : previous_(setLogSink([this](std::string_view line) { text_.append(line); })) {}
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    ~LogCapture() { setLogSink(std::move(previous_)); }

    // What was logged since the last take, each line with its newline.
    std::string take() { return std::exchange(text_, {}); }

private:
    std::string text_;
    LogSink previous_;
};
