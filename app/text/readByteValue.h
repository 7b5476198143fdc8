// Reads the number that escapes and value lists carry, the way atoi (base 10) or
// strtol(..., 16) (base 16) reads one, and accepts it only when it names a byte.
// Shared by the escape decoder and the value-list reader so both agree on every edge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// Skips leading white space, takes an optional sign, in base 16 an optional "0x" or "0X",
// then digits (either case) up to the first other character. The value is returned only when
// there was at least one digit and the number lies in 0..255; a piece without digits, a
// negative number and one of any size above 255 (however many digits) give nothing.
// If end is given it receives, like strtol's endptr, the index just past the last digit, or 0
// when there was no digit.
std::optional<std::uint8_t> readByteValue(std::u16string_view text, int base, std::size_t* end = nullptr);
// A character's value as a digit in base (up to 36, either case), or -1.
int digitValue(char32_t c, int base);
std::optional<std::uint8_t> readByteValue(std::string_view text, int base, std::size_t* end = nullptr);
