// Turns view text into the bytes of a diagnostic line: 7-bit text as it is, everything else
// as UTF-8, so a log line never carries a NUL byte or malformed UTF-8.
#pragma once

#include <string>
#include <string_view>

// Appends text to line: U+0000 is left out and an unpaired surrogate becomes U+FFFD.
void appendLogText(std::string& line, std::u16string_view text);
