// The values of the command line's options, read from their text: rates, character formats
// ("8N1", "7E1", or the pop-up's "even-7-1"), flow, view and encoding names, and ports. Each
// answers the value, or nothing with `error` saying in words what was wrong, for stderr.
#pragma once

#include "app/text/TextEncoding.h"
#include "app/text/ViewType.h"

#include <optional>
#include <string>
#include <string_view>

namespace StartValues {

// A whole number from lowest to highest.
std::optional<int> baud(std::string_view text, int lowest, int highest, std::string& error);
// Data bits 5-8, parity N/E/O/M/S and stop bits 1-2, as a device record's packet flag; mark
// and space only where the system has them.
std::optional<int> format(std::string_view text, bool markAndSpace, std::string& error);
// none, xon (xonxoff) or hw (hardware, rtscts): 0, 1 or 2.
std::optional<int> flow(std::string_view text, std::string& error);
// text, mixed, dec (decimal) or hex (hexadecimal).
std::optional<ViewType> view(std::string_view text, std::string& error);
// latin1 (latin-1) or utf8 (utf-8).
std::optional<TextEncoding> encoding(std::string_view text, std::string& error);
// A port as given; only a network address can be told wrong before it is opened.
bool port(std::string_view text, std::string& error);

} // namespace StartValues
