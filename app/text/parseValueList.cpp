#include "app/text/parseValueList.h"

#include "app/text/readByteValue.h"

#include <algorithm>
#include <optional>

namespace {

bool isSeparator(char c)
{
    return c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The piece's value if the whole piece is a number; values past 255 saturate at 256, which
// is enough to tell them apart from bytes without overflowing.
std::optional<int> readNumber(std::string_view piece, int base)
{
    bool negative = false;
    if (!piece.empty() && (piece.front() == '+' || piece.front() == '-')) {
        negative = piece.front() == '-';
        piece.remove_prefix(1);
    }
    // A prefix followed by at least one more character, its x in either case.
    const auto prefixed = [&piece](std::string_view prefix) {
        if (piece.size() <= prefix.size())
            return false;
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            if (prefix[i] == 'x' ? (piece[i] | 0x20) != 'x' : piece[i] != prefix[i])
                return false;
        }
        piece.remove_prefix(prefix.size());
        return true;
    };
    if (prefixed("\\0x") || prefixed("0x"))
        base = 16;
    else if (prefixed("\\"))
        base = 10;
    else if (piece.size() > 1 && (piece.back() | 0x20) == 'h') {
        base = 16;
        piece.remove_suffix(1);
    }
    if (piece.empty())
        return std::nullopt;
    int value = 0;
    for (const char c : piece) {
        const int digit = digitValue(static_cast<unsigned char>(c), base);
        if (digit < 0)
            return std::nullopt;
        value = std::min(value * base + digit, 256);
    }
    return negative && value != 0 ? -1 : value;
}

} // namespace

std::u16string parseValueList(std::string_view list, std::vector<std::string>* skipped, int base)
{
    std::u16string result;
    std::size_t at = 0;
    while (at < list.size()) {
        if (isSeparator(list[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < list.size() && !isSeparator(list[end]))
            ++end;
        const std::string_view piece = list.substr(at, end - at);
        at = end;
        const std::optional<int> value = readNumber(piece, base);
        if (value && *value >= 0 && *value <= 255)
            result.push_back(static_cast<char16_t>(*value));
        else if (skipped)
            skipped->push_back(std::string(piece) + (value ? " is not a byte value (0-255)" : " is not a number"));
    }
    return result;
}
