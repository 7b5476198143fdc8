#include "app/readByteValue.h"

#include <type_traits>

namespace {

// The white space of isspace() in the C locale; text outside 7-bit ASCII is never a digit,
// a sign or a space.
bool isSpace(char32_t c)
{
    return c == U' ' || (c >= U'\t' && c <= U'\r');
}

int digitValue(char32_t c, int base)
{
    int value = base;
    if (c >= U'0' && c <= U'9')
        value = static_cast<int>(c - U'0');
    else if (c >= U'a' && c <= U'z')
        value = static_cast<int>(c - U'a') + 10;
    else if (c >= U'A' && c <= U'Z')
        value = static_cast<int>(c - U'A') + 10;
    return value < base ? value : -1;
}

template <typename Char>
std::optional<std::uint8_t> read(std::basic_string_view<Char> text, int base)
{
    const auto at = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<std::make_unsigned_t<Char>>(text[i]));
    };
    std::size_t i = 0;
    while (i < text.size() && isSpace(at(i)))
        ++i;
    bool negative = false;
    if (i < text.size() && (at(i) == U'+' || at(i) == U'-')) {
        negative = at(i) == U'-';
        ++i;
    }
    // strtol takes "0x" as a prefix only when a hex digit follows it; otherwise the 0 alone
    // is the number.
    if (base == 16 && i + 2 < text.size() && at(i) == U'0' && (at(i + 1) == U'x' || at(i + 1) == U'X')
        && digitValue(at(i + 2), 16) >= 0)
        i += 2;

    bool sawDigit = false;
    unsigned magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(at(i), base);
        if (digit < 0)
            break;
        sawDigit = true;
        // Past 255 the number is refused whatever follows, so stop growing it: no overflow,
        // and a number too large for any integer type is refused like 256.
        if (magnitude <= 255)
            magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    }
    // A negative number taken as unsigned is far above 255; only -0 names a byte.
    if (!sawDigit || magnitude > 255 || (negative && magnitude != 0))
        return std::nullopt;
    return static_cast<std::uint8_t>(magnitude);
}

} // namespace

std::optional<std::uint8_t> readByteValue(std::u16string_view text, int base)
{
    return read(text, base);
}

std::optional<std::uint8_t> readByteValue(std::string_view text, int base)
{
    return read(text, base);
}
