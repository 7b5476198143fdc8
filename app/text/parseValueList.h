// Reads the list of character values that the transmit editor inserts, such as "65, 66,300",
// "0x1B 91", "AA 55" in the hex view, or the "10" of the line-feed button.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Pieces are separated by commas, white space or both. A piece is a whole number with an
// optional sign, in the forms terminals take: decimal, or hexadecimal after "0x" or "\0x" or
// before "h" ("1Bh"), or decimal after "\" (the escapes the views write); a bare number is
// read in `base` (16 lets "AA 55 0D" be typed as a hex editor's bytes). Value v becomes U+00vv,
// so 0 gives U+0000 and 128 to 255 give U+0080 to U+00FF, as received bytes do. A piece that
// is not such a number ("1e2", "65abc"), or whose value is not 0-255, gives nothing; each one
// adds a sentence to skipped saying why ("300 is not a byte value (0-255)"). Any length.
std::u16string parseValueList(std::string_view list, std::vector<std::string>* skipped = nullptr, int base = 10);
