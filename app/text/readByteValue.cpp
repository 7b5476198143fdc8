#include "app/text/readByteValue.h"

#include <array>
#include <type_traits>

namespace {

constexpr unsigned notADigit = 36;

// Digit values of the 7-bit characters, in any base up to 36; text outside 7-bit ASCII is
// never a digit, a sign or a space.
constexpr std::array<std::uint8_t, 128> digitValues = [] {
    std::array<std::uint8_t, 128> values{};
    for (unsigned c = 0; c < values.size(); ++c) {
        unsigned value = notADigit;
        if (c >= '0' && c <= '9')
            value = c - '0';
        else if (c >= 'a' && c <= 'z')
            value = c - 'a' + 10;
        else if (c >= 'A' && c <= 'Z')
            value = c - 'A' + 10;
        values[c] = static_cast<std::uint8_t>(value);
    }
    return values;
}();

} // namespace

int digitValue(char32_t c, int base)
{
    const unsigned value = c < digitValues.size() ? digitValues[c] : notADigit;
    return value < static_cast<unsigned>(base) ? static_cast<int>(value) : -1;
}

namespace {

// The white space of isspace() in the C locale.
bool isSpace(char32_t c)
{
    return c == U' ' || (c >= U'\t' && c <= U'\r');
}

template <typename Char>
std::optional<std::uint8_t> read(std::basic_string_view<Char> text, unsigned base, std::size_t* end)
{
    const auto at = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<std::make_unsigned_t<Char>>(text[i]));
    };
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size && isSpace(at(i)))
        ++i;
    bool negative = false;
    if (i < size && (at(i) == U'+' || at(i) == U'-')) {
        negative = at(i) == U'-';
        ++i;
    }
    // strtol takes "0x" as a prefix only when a hex digit follows it; otherwise the 0 alone
    // is the number.
    if (base == 16 && i + 2 < size && at(i) == U'0' && (at(i + 1) == U'x' || at(i + 1) == U'X')
        && digitValue(at(i + 2), 16) >= 0)
        i += 2;

    const std::size_t digits = i;
    unsigned magnitude = 0;
    for (int digit; i < size && (digit = digitValue(at(i), static_cast<int>(base))) >= 0; ++i) {
        // Past 255 the number is refused whatever follows, so stop growing it: no overflow,
        // and a number too large for any integer type is refused like 256.
        if (magnitude <= 255)
            magnitude = magnitude * base + static_cast<unsigned>(digit);
    }
    const bool sawDigit = i > digits;
    if (end)
        *end = sawDigit ? i : 0;
    // A negative number taken as unsigned is far above 255; only -0 names a byte.
    if (!sawDigit || magnitude > 255 || (negative && magnitude != 0))
        return std::nullopt;
    return static_cast<std::uint8_t>(magnitude);
}

} // namespace

std::optional<std::uint8_t> readByteValue(std::u16string_view text, int base, std::size_t* end)
{
    return read(text, static_cast<unsigned>(base), end);
}

std::optional<std::uint8_t> readByteValue(std::string_view text, int base, std::size_t* end)
{
    return read(text, static_cast<unsigned>(base), end);
}
