// Text from outside the program (device names above all) made safe to print: a control
// character could end a log line early or reach a terminal as an escape sequence, so each
// one is written as a decimal escape, the way the mixed view writes it.
#pragma once

#include <string>
#include <string_view>

// Each byte 0x00-0x1F and 0x7F becomes "\N" with N its decimal value ("\10", "\27");
// every other byte is kept as it is.
std::string printableText(std::string_view text);
