// The program's diagnostic lines on standard output, each whole, in order, with its newline.
// They never block or kill the caller: a reader that stops costs lines (counted on stderr),
// one that goes away costs nothing more (see LogWriter). Tests take the lines through a sink.
#pragma once

#include <chrono>
#include <functional>
#include <string_view>

void logLine(std::string_view text);
void logLinef(const char* format, ...) __attribute__((format(printf, 1, 2)));

// While set, every finished line, with its newline, goes to `sink` instead of standard output.
// Answers the sink it replaces; an empty one restores standard output. The sink must not log.
using LogSink = std::function<void(std::string_view line)>;
LogSink setLogSink(LogSink sink);

// Waits up to `timeout` for queued lines to reach standard output; true when none is left.
bool flushLog(std::chrono::milliseconds timeout);
