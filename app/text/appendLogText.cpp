#include "app/text/appendLogText.h"

#include "toolkit/Utf16.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t blockSize = 16;


// Tests blockSize units at once, four to a 64-bit word, and copies them narrowed to bytes when
// all are 1 to 0x7F. Returns false, writing nothing, otherwise.
bool copyPlainBlock(const char16_t* units, char* out)
{
    constexpr std::uint64_t highBits = 0xFF80'FF80'FF80'FF80;
    constexpr std::uint64_t ones = 0x0001'0001'0001'0001;
    constexpr std::uint64_t signs = 0x8000'8000'8000'8000;
    std::uint64_t words[blockSize / 4];
    std::memcpy(words, units, sizeof words);
    std::uint64_t bad = 0;
    for (const std::uint64_t word : words) {
        bad |= word & highBits;
        bad |= (word - ones) & ~word & signs; // a unit of 0 borrows into its top bit
    }
    if (bad != 0)
        return false;
    for (std::size_t k = 0; k < blockSize; ++k)
        out[k] = static_cast<char>(units[k]);
    return true;
}

// The three- and four-byte forms; shorter ones are written inline below.
char* writeUtf8(char* out, char32_t c)
{
    const auto byte = [&](char32_t bits) { *out++ = static_cast<char>(bits); };
    if (c < 0x10000) {
        byte(0xE0 | (c >> 12));
    } else {
        byte(0xF0 | (c >> 18));
        byte(0x80 | ((c >> 12) & 0x3F));
    }
    byte(0x80 | ((c >> 6) & 0x3F));
    byte(0x80 | (c & 0x3F));
    return out;
}

// Writes the units [from, to) of text at out, answers where the writing ended and moves from
// past what was written: one unit past to when it completes a surrogate pair begun before it.
char* writePiece(std::u16string_view text, std::size_t& from, std::size_t to, char* out)
{
    const std::size_t size = text.size();
    std::size_t i = from;
    while (i < to) {
        // Log text is mostly 7-bit: copy such stretches a block at a time.
        if (to - i >= blockSize && copyPlainBlock(text.data() + i, out)) {
            out += blockSize;
            i += blockSize;
            continue;
        }
        const std::size_t blockEnd = std::min(to, i + blockSize);
        while (i < blockEnd) {
            const char32_t unit = text[i++];
            if (unit - 1 < 0x7FF) { // 1 to 0x7FF
                // One byte or two, chosen without a branch: received bytes mix both at random.
                // The second byte is always written; the buffer has room for it.
                const bool two = unit >= 0x80;
                out[0] = static_cast<char>(two ? 0xC0 | (unit >> 6) : unit);
                out[1] = static_cast<char>(0x80 | (unit & 0x3F));
                out += 1 + two;
            } else if (unit == 0) {
                continue;
            } else if (isHighSurrogate(unit) && i < size && isLowSurrogate(text[i])) {
                out = writeUtf8(out, surrogatePairValue(unit, text[i++]));
            } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
                out = writeUtf8(out, 0xFFFD);
            } else {
                out = writeUtf8(out, unit);
            }
        }
    }
    from = i;
    return out;
}

} // namespace

void appendLogText(std::string& line, std::u16string_view text)
{
    // The decoder logs whole views per keystroke, megabytes of them. A unit takes at most three
    // bytes, a surrogate pair four for its two units: each piece of the text is written through
    // a pointer into a buffer with room for its worst case, and only what it took is appended.
    constexpr std::size_t pieceUnits = 4096;
    char buffer[3 * pieceUnits + 4]; // + a pair that ends past the piece
    line.reserve(line.size() + text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char* const end = writePiece(text, i, std::min(text.size(), i + pieceUnits), buffer);
        line.append(buffer, static_cast<std::size_t>(end - buffer));
    }
}
