// A character of rendered text that stands for a byte it cannot show: in the UTF-8 text view a
// byte that belongs to no character shows as a gray U+FFFD. Whoever reads rendered text back
// (the transmit editor) keeps these beside it, sorted by position, to get the very bytes again.
#pragma once

#include <cstddef>
#include <vector>

struct ByteStandIn {
    std::size_t at;     // where the character is in the rendered text
    unsigned char byte; // the byte it stands for
    bool operator==(const ByteStandIn&) const = default;
};

using ByteStandIns = std::vector<ByteStandIn>;
