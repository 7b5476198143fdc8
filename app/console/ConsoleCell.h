// One character cell of a console as it is drawn: the character (0 for a blank), its colours
// resolved to 0xRRGGBB whatever way the device chose them (16, 256 or 24-bit), and its
// attributes. A wide character fills two cells: the first has width 2, the second width 0.
#pragma once

#include <cstdint>

struct ConsoleCell {
    enum Attribute : std::uint8_t {
        Bold = 1,
        Underline = 2,
        Italic = 4,
        Inverse = 8, // drawn with foreground and background swapped
        Strike = 16,
        Blink = 32,
    };

    char32_t ch = 0;
    std::uint32_t fg = 0;
    std::uint32_t bg = 0;
    std::uint8_t width = 1;
    std::uint8_t attributes = 0;

    bool has(Attribute attribute) const { return (attributes & attribute) != 0; }
    bool operator==(const ConsoleCell&) const = default;
};
