// What is appended to each message sent (Send, macros, repeats): nothing, as the terminal
// always did, or the LF, CR or CR LF that many devices want after a command.
#pragma once

#include <string>
#include <string_view>

enum class LineEnding : int { None = 0, Lf = 1, Cr = 2, CrLf = 3 };

// The bytes the ending stands for; empty for None.
std::string_view lineEndingBytes(LineEnding ending);
// The message with its ending: what goes on the wire, also for an empty message.
std::string withLineEnding(std::string_view message, LineEnding ending);
// How the menu and the window name it: "None", "LF", "CR", "CR LF".
std::string_view lineEndingName(LineEnding ending);
