#include "app/text/filterString.h"

#include "app/text/ViewType.h"
#include "app/text/filterUtf8.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// Writes value in base 10 or 16, upper case, without leading zeros; returns the units written.
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

// The escapes of the 256 byte values, written once: the views re-render the whole receive
// buffer on every tick and the whole transmit message on every keystroke.
struct Escape {
    std::array<char16_t, 5> units; // \0xFF or \255 at the longest
    std::size_t length;
};
// A byte's escape is copied whole whatever its length, which saves a branch per unit that
// random bytes would mispredict; the text written to needs this much room past its end.
constexpr std::size_t slack = 4;
using EscapeTable = std::array<Escape, 256>;

EscapeTable makeTable(std::u16string_view prefix, unsigned base)
{
    EscapeTable table{};
    for (unsigned value = 0; value < table.size(); ++value) {
        Escape& escape = table[value];
        char16_t* out = escape.units.data();
        out += prefix.copy(out, prefix.size());
        escape.length = prefix.size() + writeNumber(out, value, base);
    }
    return table;
}

struct Escaper {
    std::u16string_view prefix;
    unsigned base;
    const EscapeTable& table;

    std::size_t length(char16_t unit) const
    {
        if (unit < table.size())
            return table[unit].length;
        char16_t digits[16];
        return prefix.size() + writeNumber(digits, unit, base);
    }
    // Writes unit's escape at out, and after it up to slack units of no meaning; returns its end.
    char16_t* write(char16_t* out, char16_t unit) const
    {
        if (unit < table.size()) {
            const Escape& escape = table[unit];
            std::copy(escape.units.begin(), escape.units.end(), out);
            return out + escape.length;
        }
        out += prefix.copy(out, prefix.size());
        return out + writeNumber(out, unit, base);
    }
};

const Escaper& escaperFor(int type)
{
    static const EscapeTable decimalTable = makeTable(u"\\", 10);
    static const EscapeTable hexTable = makeTable(u"\\0x", 16);
    static const Escaper decimal{u"\\", 10, decimalTable};
    static const Escaper hex{u"\\0x", 16, hexTable};
    return type == ViewTypeHex ? hex : decimal;
}

bool isPrintable(char16_t unit)
{
    const unsigned low = unit & 0xFFu;
    return low >= 0x21 && low <= 0x7E;
}

// How many units the characters take rendered, mixed mode looking only at the low byte.
std::size_t renderedLength(std::u16string_view text, int type)
{
    std::size_t length = 0;
    if (type == ViewTypeMixed) {
        const Escaper& escaper = escaperFor(ViewTypeDecimal);
        for (const char16_t unit : text)
            length += isPrintable(unit) ? 1 : escaper.length(static_cast<char16_t>(unit & 0xFFu));
    } else {
        const Escaper& escaper = escaperFor(type);
        for (const char16_t unit : text)
            length += escaper.length(unit);
    }
    return length;
}

// Every unit escaped: the result is one gray run, so build the characters first.
AttributedText escapeAll(std::u16string_view text, const Escaper& escaper, std::size_t length)
{
    std::u16string out(length + slack, u'\0');
    char16_t* p = out.data();
    for (const char16_t unit : text)
        p = escaper.write(p, unit);
    out.resize(length);
    return AttributedText(std::move(out), grayColor());
}

// Printable ASCII as it is and stretches of anything else as gray escapes, written in one pass
// into a text of the length worked out before, with a run per stretch.
AttributedText escapeNonPrintable(std::u16string_view text, std::size_t length)
{
    const Escaper& escaper = escaperFor(ViewTypeDecimal);
    const ColorRef& gray = grayColor();
    std::u16string out(length + slack, u'\0');
    std::vector<AttributedText::Run> runs;
    char16_t* const begin = out.data();
    char16_t* at = begin;
    const char16_t* p = text.data();
    const char16_t* const end = p + text.size();
    while (p < end) {
        char16_t* const from = at;
        const bool printable = isPrintable(*p);
        if (printable) {
            for (; p < end && isPrintable(*p); ++p)
                *at++ = static_cast<char16_t>(*p & 0xFFu);
        } else {
            for (; p < end && !isPrintable(*p); ++p)
                at = escaper.write(at, static_cast<char16_t>(*p & 0xFFu));
        }
        runs.push_back(AttributedText::Run{static_cast<std::size_t>(from - begin), static_cast<std::size_t>(at - from),
                                           printable ? ColorRef() : gray});
    }
    out.resize(static_cast<std::size_t>(at - begin));
    return AttributedText(std::move(out), std::move(runs));
}

} // namespace

void appendDecimalEscapes(std::u16string& out, std::u16string_view bytes)
{
    const Escaper& escaper = escaperFor(ViewTypeDecimal);
    const std::size_t start = out.size();
    out.resize(start + bytes.size() * escaper.table[0].units.size() + slack);
    char16_t* end = out.data() + start;
    for (const char16_t unit : bytes)
        end = escaper.write(end, static_cast<char16_t>(unit & 0xFFu));
    out.resize(static_cast<std::size_t>(end - out.data()));
}

AttributedText filterString(std::u16string_view text, int type, TextEncoding encoding)
{
    std::size_t unused = 0;
    return filterString(text, type, 0, unused, encoding);
}

AttributedText filterString(std::u16string_view text, int type, std::size_t index, std::size_t& renderedIndex,
                            TextEncoding encoding, ByteStandIns* standIns)
{
    index = std::min(index, text.size());
    if (encoding == TextEncodingUtf8 && type != ViewTypeDecimal && type != ViewTypeHex)
        return filterUtf8(text, type, index, renderedIndex, standIns);
    if (type != ViewTypeMixed && type != ViewTypeDecimal && type != ViewTypeHex) {
        renderedIndex = index;
        return AttributedText(std::u16string(text));
    }
    renderedIndex = renderedLength(text.substr(0, index), type);
    const std::size_t length = renderedIndex + renderedLength(text.substr(index), type);
    if (type == ViewTypeMixed)
        return escapeNonPrintable(text, length);
    return escapeAll(text, escaperFor(type), length);
}

AttributedText filterString(std::string_view bytes, int type, TextEncoding encoding)
{
    std::size_t unused = 0;
    return filterString(bytes, type, 0, unused, encoding);
}

AttributedText filterString(std::string_view bytes, int type, std::size_t index, std::size_t& renderedIndex,
                            TextEncoding encoding)
{
    // Widened into a buffer kept for the next call: the receive buffer is a couple of thousand
    // bytes, and the filters' work on each unit is what costs.
    thread_local std::u16string units;
    units.resize(bytes.size());
    std::transform(bytes.begin(), bytes.end(), units.begin(),
                   [](char byte) { return static_cast<char16_t>(static_cast<unsigned char>(byte)); });
    return filterString(units, type, index, renderedIndex, encoding);
}
