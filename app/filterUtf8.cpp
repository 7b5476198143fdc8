#include "app/filterUtf8.h"

#include "app/Utf8.h"
#include "app/ViewType.h"
#include "app/filterString.h"

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
    // Plain characters and escapes gather here until the other kind comes; at most one of the
    // two holds anything, so what is rendered so far is result, then that one.
    std::u16string plain;
    std::u16string escapes;
    const auto flushPlain = [&] {
        result.append(plain);
        plain.clear();
    };
    const auto flushEscapes = [&] {
        result.append(escapes, grayColor());
        escapes.clear();
    };
    bool indexFound = false;
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (!indexFound && i >= index) {
            renderedIndex = result.length() + plain.size() + escapes.size();
            indexFound = true;
        }
        if (plainAscii(bytes[i])) {
            flushEscapes();
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
            flushEscapes();
            if (character < 0x10000) {
                plain.push_back(static_cast<char16_t>(character));
            } else {
                plain.push_back(static_cast<char16_t>(0xD800 + ((character - 0x10000) >> 10)));
                plain.push_back(static_cast<char16_t>(0xDC00 + ((character - 0x10000) & 0x3FF)));
            }
            i += length;
            continue;
        }
        const std::size_t count = length > 0 ? length : 1;
        flushPlain();
        if (mixed)
            appendDecimalEscapes(escapes, bytes.substr(i, count));
        else
            result.append(u'\uFFFD', undecodedByteColor(static_cast<unsigned char>(bytes[i] & 0xFF)));
        i += count;
    }
    if (!indexFound)
        renderedIndex = result.length() + plain.size() + escapes.size();
    flushPlain();
    flushEscapes();
    return result;
}
