#include "app/text/filterUtf8.h"

#include "app/text/Utf8.h"
#include "app/text/ViewType.h"
#include "app/text/filterString.h"


namespace {

bool isPrintableAscii(char32_t unit)
{
    return unit >= 0x21 && unit <= 0x7E;
}

} // namespace

AttributedText filterUtf8(std::u16string_view bytes, int type, std::size_t index, std::size_t& renderedIndex,
                          ByteStandIns* standIns)
{
    const bool mixed = type == ViewTypeMixed;
    const auto plainAscii = [mixed](char32_t unit) { return mixed ? isPrintableAscii(unit) : unit < 0x80; };
    AttributedText result;
    result.reserve(bytes.size() * (mixed ? 2 : 1));
    // Plain characters, or bytes to escape (from escapeFrom up to i), wait here until the other
    // kind comes, so each stretch is appended and escaped at once.
    std::u16string plain;
    std::u16string escapes;
    constexpr std::size_t none = std::u16string_view::npos;
    std::size_t escapeFrom = none;
    std::size_t i = 0;
    const auto flush = [&] {
        if (!plain.empty()) {
            result.append(plain);
            plain.clear();
        }
        if (escapeFrom != none) {
            escapes.clear();
            appendDecimalEscapes(escapes, bytes.substr(escapeFrom, i - escapeFrom));
            result.append(escapes, grayColor());
            escapeFrom = none;
        }
    };
    bool indexFound = false;
    while (i < bytes.size()) {
        if (!indexFound && i >= index) {
            flush();
            renderedIndex = result.length();
            indexFound = true;
        }
        if (plainAscii(bytes[i])) {
            if (escapeFrom != none)
                flush();
            std::size_t end = i + 1;
            while (end < bytes.size() && end != index && plainAscii(bytes[end]))
                ++end;
            plain.append(bytes.substr(i, end - i));
            i = end;
            continue;
        }
        char32_t character = 0;
        const std::size_t length = utf8SequenceAt(bytes.substr(i), character);
        // A C1 control is as unprintable as an ASCII one: the mixed view shows its bytes.
        if (length > 0 && !(mixed && character < 0xA0)) {
            if (escapeFrom != none)
                flush();
            appendUtf16(plain, character);
            i += length;
        } else if (mixed) {
            if (!plain.empty())
                flush();
            if (escapeFrom == none)
                escapeFrom = i;
            i += length > 0 ? length : 1;
        } else {
            flush();
            if (standIns)
                standIns->push_back({result.length(), static_cast<unsigned char>(bytes[i] & 0xFF)});
            result.append(u'\uFFFD', grayColor());
            ++i;
        }
    }
    flush();
    if (!indexFound)
        renderedIndex = result.length();
    return result;
}
