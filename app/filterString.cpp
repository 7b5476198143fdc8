#include "app/filterString.h"

#include "app/ViewType.h"

namespace {

constexpr std::size_t longestHexEscape = 7; // \0xFFFF
constexpr std::size_t longestDecimalEscape = 6; // \65535

// Writes value in base 10 or 16, upper case, without leading zeros; returns the units written.
// The views redraw the whole receive buffer on every tick, so this avoids snprintf.
std::size_t writeNumber(char16_t* out, unsigned value, unsigned base)
{
    char16_t reversed[16];
    std::size_t count = 0;
    do {
        reversed[count++] = u"0123456789ABCDEF"[value % base];
        value /= base;
    } while (value != 0);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = reversed[count - 1 - i];
    return count;
}

// Every unit escaped: the result is one gray run, so build the characters first.
AttributedText escapeAll(std::u16string_view text, std::u16string_view prefix, unsigned base,
                         std::size_t longestEscape)
{
    std::u16string out(text.size() * longestEscape, u'\0');
    char16_t* p = out.data();
    for (const char16_t unit : text) {
        p += prefix.copy(p, prefix.size());
        p += writeNumber(p, unit, base);
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
    return AttributedText(std::move(out), grayColor());
}

AttributedText escapeNonPrintable(std::u16string_view text)
{
    AttributedText result;
    result.reserve(text.size() * 4); // \255
    const ColorRef& gray = grayColor();
    for (const char16_t unit : text) {
        const unsigned low = unit & 0xFFu;
        if (low >= 0x21 && low <= 0x7E) {
            result.append(static_cast<char16_t>(low));
        } else {
            char16_t escape[4] = {u'\\'};
            result.append(std::u16string_view(escape, 1 + writeNumber(escape + 1, low, 10)), gray);
        }
    }
    return result;
}

} // namespace

AttributedText filterString(std::u16string_view text, int type)
{
    switch (type) {
    case ViewTypeMixed:
        return escapeNonPrintable(text);
    case ViewTypeDecimal:
        return escapeAll(text, u"\\", 10, longestDecimalEscape);
    case ViewTypeHex:
        return escapeAll(text, u"\\0x", 16, longestHexEscape);
    default:
        return AttributedText(std::u16string(text));
    }
}
