#include "app/console/VTermCellReader.h"

#include <cstring>

namespace {

// libvterm marks the second cell of a wide character so.
constexpr std::uint32_t wideTail = 0xFFFFFFFFu;

} // namespace

ConsoleCell VTermCellReader::read(const VTermScreen* screen, const VTermScreenCell& from)
{
    ConsoleCell cell;
    if (from.chars[0] == wideTail) {
        cell.width = 0;
    } else {
        // libvterm 0.1 decodes the 5- and 6-byte forms of old UTF-8 too: no characters.
        const std::uint32_t ch = from.chars[0];
        cell.ch = ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF) ? U'\uFFFD' : ch;
        cell.width = static_cast<std::uint8_t>(from.width);
    }
    cell.fg = rgb(screen, from.fg, fg_);
    cell.bg = rgb(screen, from.bg, bg_);
    const VTermScreenCellAttrs& a = from.attrs;
    cell.attributes =
        static_cast<std::uint8_t>((a.bold ? ConsoleCell::Bold : 0) | (a.underline ? ConsoleCell::Underline : 0) |
                                  (a.italic ? ConsoleCell::Italic : 0) | (a.reverse ? ConsoleCell::Inverse : 0) |
                                  (a.strike ? ConsoleCell::Strike : 0) | (a.blink ? ConsoleCell::Blink : 0));
    return cell;
}

std::uint32_t VTermCellReader::rgb(const VTermScreen* screen, const VTermColor& colour, Remembered& last)
{
    // Compared byte for byte: equal bytes are surely the same colour, and bytes an indexed
    // colour leaves unused only cost a lookup when they differ.
    if (last.known && std::memcmp(&last.colour, &colour, sizeof colour) == 0)
        return last.rgb;
    VTermColor converted = colour;
    vterm_screen_convert_color_to_rgb(screen, &converted);
    last.colour = colour;
    last.rgb = (std::uint32_t{converted.rgb.red} << 16) | (std::uint32_t{converted.rgb.green} << 8) |
               converted.rgb.blue;
    last.known = true;
    return last.rgb;
}
