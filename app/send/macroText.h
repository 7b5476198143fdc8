// A macro as the user writes it, in the transmit editor's escapes: "\13" (decimal, as the
// mixed and decimal views write bytes) and "\0x0D" (hexadecimal, as the hex view does) are
// bytes, every other character is itself. Typed text has no gray to mark an escape, so a
// backslash is an escape whenever a number follows it, and stands for itself otherwise.
#pragma once

#include "app/text/TextEncoding.h"

#include <optional>
#include <string>
#include <string_view>

// The bytes text stands for: a decimal escape takes at most three digits and a hexadecimal
// one at most two, so "\0x0DA" is 0x0D then 'A'. A character takes one byte in Latin-1 (one
// beyond U+00FF gives nothing, and `problem` says why) and its UTF-8 bytes in UTF-8.
std::optional<std::string> macroBytes(std::u16string_view text, TextEncoding encoding, std::string* problem = nullptr);
// The text that reads back as bytes, to edit: printable ASCII as itself, a backslash and
// every other byte as an escape (hexadecimal in the hex view, else decimal), and in UTF-8
// each well-formed sequence as its character.
std::u16string macroText(std::string_view bytes, int viewType, TextEncoding encoding);
