#include "app/text/filterUtf8.h"

#include "app/text/Utf8.h"
#include "app/text/ViewType.h"
#include "app/text/filterString.h"

#include <array>
#include <functional>

namespace {

struct UndecodedColors {
    std::array<Color, 256> shades;
    std::array<ColorRef, 256> refs;

    UndecodedColors()
    {
        for (std::size_t byte = 0; byte < shades.size(); ++byte) {
            shades[byte] = *grayColor();
            // Shared pointers that own nothing: the shades live as long as the program.
            refs[byte] = ColorRef(std::shared_ptr<void>(), &shades[byte]);
        }
    }
};

const UndecodedColors& undecodedColors()
{
    static const UndecodedColors colors;
    return colors;
}

bool isPrintableAscii(char32_t unit)
{
    return unit >= 0x21 && unit <= 0x7E;
}

} // namespace

const ColorRef& undecodedByteColor(unsigned char byte)
{
    return undecodedColors().refs[byte];
}

std::optional<unsigned char> undecodedByteOf(const ColorRef& color)
{
    const auto& shades = undecodedColors().shades;
    const Color* shade = color.get();
    const std::less<const Color*> before;
    if (!shade || before(shade, shades.data()) || !before(shade, shades.data() + shades.size()))
        return std::nullopt;
    return static_cast<unsigned char>(shade - shades.data());
}

AttributedText filterUtf8(std::u16string_view bytes, int type, std::size_t index, std::size_t& renderedIndex)
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
            result.append(u'\uFFFD', undecodedByteColor(static_cast<unsigned char>(bytes[i] & 0xFF)));
            ++i;
        }
    }
    flush();
    if (!indexFound)
        renderedIndex = result.length();
    return result;
}
