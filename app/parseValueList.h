// Reads the comma-separated list of character values that the transmit editor inserts,
// such as "65, 66,300" or the "10" of the line-feed button.
#pragma once

#include <string>
#include <string_view>

// One character per accepted value, in order: value v becomes U+00vv, so 0 gives U+0000 and
// 128 to 255 give U+0080 to U+00FF, as received bytes do. Each piece is read like atoi; a piece
// without digits, a negative value and one above 255 give nothing. The list may be any length.
std::u16string parseValueList(std::string_view list);
