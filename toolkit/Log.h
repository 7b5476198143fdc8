// The program's diagnostic lines on standard output.
// Each line leaves in one write() together with its newline: lines never interleave
// or sit in a stdio buffer, so a crash or a test capturing fd 1 sees every line whole.
#pragma once

#include <string_view>

void logLine(std::string_view text);
void logLinef(const char* format, ...) __attribute__((format(printf, 1, 2)));
