// Takes the program's messages for standard error for as long as it lives, so a test reads
// exactly the lines that would have been written, and a test that provokes many keeps the
// suite's output readable. Captures nest as log captures do.
#pragma once

#include "toolkit/Stderr.h"

#include <string>
#include <utility>

class StderrCapture {
public:
    StderrCapture() : previous_(Stderr::setSink([this](std::string_view line) { text_.append(line); })) {}
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    ~StderrCapture() { Stderr::setSink(std::move(previous_)); }

    // What was written since the last take, each line with its newline.
    std::string take() { return std::exchange(text_, {}); }

private:
    std::string text_;
    Stderr::Sink previous_;
};
