// Text from outside the program (device names above all) made safe to print: a control
// character could end a log line early or reach a terminal as an escape sequence, so each
// one is written as a decimal escape, the way the mixed view writes it.
#pragma once

#include <string>
#include <string_view>

// Each C0 control (0x00-0x1F), DEL, C1 control (U+0080-U+009F, as UTF-8) and byte that is part
// of no well-formed UTF-8 sequence (0x9B alone is CSI to an 8-bit terminal) becomes "\N" with
// N its decimal value ("\10", "\27", "\155"), byte by byte; a backslash becomes "\92", so a
// name holding the characters "\10" never reads as one holding a line feed. Everything else,
// well-formed UTF-8 included, is kept as it is.
std::string printableText(std::string_view text);
