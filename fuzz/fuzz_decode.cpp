// Feeds decode() arbitrary attributed texts in every mode, and checks that filterString()
// and decode() undo each other for any text of byte values, and that both carry a caret
// position the way reading and rendering the text before it would.
//
// Input: the first byte picks the mode (-2 to 5); then segments, each a header byte (low two
// bits: no colour, escape gray, red, or a gray of the same shade that is not the escape gray;
// the rest: the segment's length in units) and its units, one byte each, or 0xFF and two bytes
// for any 16-bit unit.
#include "app/text/decode.h"
#include "app/text/filterString.h"
#include "fuzz/FuzzText.h"

#include <cstddef>
#include <cstdint>

namespace {

AttributedText textFrom(const std::uint8_t* data, std::size_t size)
{
    static const ColorRef red = makeColor(0xFF, 0, 0);
    static const ColorRef lookalike = makeColor(grayColor()->red, grayColor()->green, grayColor()->blue);
    static const ColorRef none;
    const ColorRef* colors[] = {&none, &grayColor(), &red, &lookalike};
    return attributedTextFrom(data, size, [&](std::uint8_t header) -> const ColorRef& { return *colors[header & 3]; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int mode = data[0] % 8 - 2;
    const AttributedText text = textFrom(data + 1, size - 1);

    const std::u16string decoded = decode(text, mode);
    const bool escaped = mode >= 1 && mode <= 3;
    if (escaped ? decoded.size() > text.length() : decoded != text.string())
        __builtin_trap();

    const std::size_t position = size % (text.length() + 1);
    std::size_t mapped = 0;
    if (decodeEscapes(text, mode, position, &mapped) != decoded
        || mapped != decodeEscapes(text.attributedSubstring(TextRange{0, position}), mode).size())
        __builtin_trap();
    const std::size_t index = size % (decoded.size() + 1);
    std::size_t rendered = 0;
    if (filterString(decoded, mode, index, rendered) != filterString(decoded, mode)
        || rendered != filterString(std::u16string_view(decoded).substr(0, index), mode).length())
        __builtin_trap();

    if (escaped) {
        std::u16string bytes = text.string();
        for (char16_t& unit : bytes)
            unit &= 0xFF;
        if (decode(filterString(bytes, mode), mode) != bytes)
            __builtin_trap();
    }
    return 0;
}
