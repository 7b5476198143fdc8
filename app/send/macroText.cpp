#include "app/send/macroText.h"

#include "app/text/Utf8.h"
#include "app/text/ViewType.h"
#include "app/text/readByteValue.h"

#include <cstdio>

namespace {

// The byte an escape at the start of text (just past its backslash) stands for, and its length.
std::optional<unsigned char> escapeAt(std::u16string_view text, std::size_t& length)
{
    const bool hex = text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')
                     && digitValue(text[2], 16) >= 0;
    const std::size_t start = hex ? 2 : 0;
    const int base = hex ? 16 : 10;
    const std::size_t most = hex ? 2 : 3;
    unsigned value = 0;
    std::size_t digits = 0;
    while (digits < most && start + digits < text.size()) {
        const int digit = digitValue(text[start + digits], base);
        if (digit < 0 || value * static_cast<unsigned>(base) + static_cast<unsigned>(digit) > 255)
            break;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    length = start + digits;
    return static_cast<unsigned char>(value);
}

std::string describe(char16_t unit)
{
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(unit));
    return code;
}

} // namespace

std::optional<std::string> macroBytes(std::u16string_view text, TextEncoding encoding, std::string* problem)
{
    std::string bytes;
    std::size_t plainFrom = 0;
    const auto takePlain = [&](std::size_t end) -> bool {
        const std::u16string_view plain = text.substr(plainFrom, end - plainFrom);
        if (encoding == TextEncodingUtf8) {
            std::u16string units;
            appendUtf8Bytes(units, plain);
            for (const char16_t unit : units)
                bytes.push_back(static_cast<char>(unit));
            return true;
        }
        for (const char16_t unit : plain) {
            if (unit > 0xFF) {
                if (problem)
                    *problem = describe(unit) + " cannot be sent as one byte; write it as escapes or switch the text "
                                                "encoding to UTF-8.";
                return false;
            }
            bytes.push_back(static_cast<char>(unit));
        }
        return true;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\')
            continue;
        std::size_t length = 0;
        const std::optional<unsigned char> byte = escapeAt(text.substr(i + 1), length);
        if (!byte)
            continue;
        if (!takePlain(i))
            return std::nullopt;
        bytes.push_back(static_cast<char>(*byte));
        i += length;
        plainFrom = i + 1;
    }
    if (!takePlain(text.size()))
        return std::nullopt;
    return bytes;
}

std::u16string macroText(std::string_view bytes, int viewType, TextEncoding encoding)
{
    std::u16string text;
    std::u16string units(bytes.begin(), bytes.end());
    for (char16_t& unit : units)
        unit &= 0xFF;
    char escape[8];
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t byte = units[i];
        char32_t character = 0;
        const std::size_t sequence = encoding == TextEncodingUtf8 && viewType != ViewTypeDecimal && viewType != ViewTypeHex
                                         ? utf8SequenceAt(std::u16string_view(units).substr(i), character)
                                         : 0;
        if (sequence > 0) {
            appendUtf16(text, character);
            i += sequence - 1;
            continue;
        }
        if (byte >= 0x20 && byte < 0x7F && byte != u'\\') {
            text.push_back(byte);
            continue;
        }
        if (viewType == ViewTypeHex) {
            std::snprintf(escape, sizeof escape, "\\0x%02X", static_cast<unsigned>(byte));
        } else {
            // A digit right after would be read as part of a shorter escape.
            const bool digitNext = i + 1 < units.size() && units[i + 1] >= u'0' && units[i + 1] <= u'9';
            std::snprintf(escape, sizeof escape, digitNext ? "\\%03u" : "\\%u", static_cast<unsigned>(byte));
        }
        for (const char* c = escape; *c; ++c)
            text.push_back(static_cast<char16_t>(*c));
    }
    return text;
}
