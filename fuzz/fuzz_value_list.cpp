// Checks the escape decoder's number reader in both bases, and the value-list reader, against
// the C library's strtoll on arbitrary bytes.
#include "app/text/parseValueList.h"
#include "app/text/readByteValue.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Reading {
    std::optional<std::uint8_t> value;
    std::size_t end = 0;
    bool operator==(const Reading&) const = default;
};

// What strtoll makes of a piece, held to the same rule: digits present, no overflow, 0..255.
Reading reference(std::string_view piece, int base)
{
    const std::string terminated(piece.substr(0, piece.find('\0')));
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(terminated.c_str(), &end, base);
    const auto used = static_cast<std::size_t>(end - terminated.c_str());
    if (used == 0 || errno == ERANGE || value < 0 || value > 255)
        return {std::nullopt, used};
    return {static_cast<std::uint8_t>(value), used};
}

Reading read(std::string_view piece, int base)
{
    Reading reading;
    reading.value = readByteValue(piece, base, &reading.end);
    return reading;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    for (const int base : {10, 16}) {
        if (read(input, base) != reference(input, base))
            __builtin_trap();
    }

    // The value list: pieces between commas and white space, each wholly a number.
    std::u16string expected;
    std::size_t skipped = 0;
    std::size_t start = 0;
    while (start < size) {
        const std::size_t end = std::min(input.find_first_of(", \t\n\r\v\f", start), size);
        const std::string_view piece = input.substr(start, end - start);
        start = end + 1;
        if (piece.empty())
            continue;
        const std::size_t sign = piece[0] == '+' || piece[0] == '-' ? 1 : 0;
        std::string_view number = piece.substr(sign);
        int base = 10;
        const auto lower = [](char c) { return static_cast<char>(c | 0x20); };
        if (number.size() > 3 && number[0] == '\\' && number[1] == '0' && lower(number[2]) == 'x') {
            base = 16;
            number.remove_prefix(3);
        } else if (number.size() > 2 && number[0] == '0' && lower(number[1]) == 'x') {
            base = 16;
            number.remove_prefix(2);
        } else if (number.size() > 1 && number[0] == '\\') {
            number.remove_prefix(1);
        } else if (number.size() > 1 && lower(number.back()) == 'h') {
            base = 16;
            number.remove_suffix(1);
        }
        const std::string signedNumber = std::string(piece.substr(0, sign)) + std::string(number);
        const Reading reading = reference(signedNumber, base);
        // strtoll also takes leading blanks and a second sign or "0x"; a piece may not.
        const bool digit = !number.empty() && (base == 16 ? std::isxdigit(static_cast<unsigned char>(number[0]))
                                                           : std::isdigit(static_cast<unsigned char>(number[0])));
        const bool hexPrefixAgain = base == 16 && number.size() > 1 && number[0] == '0' && lower(number[1]) == 'x';
        const bool whole = digit && !hexPrefixAgain && reading.end == signedNumber.size() &&
                           piece.find('\0') == std::string_view::npos;
        if (whole && reading.value)
            expected.push_back(*reading.value);
        else
            ++skipped;
    }
    std::vector<std::string> reasons;
    if (parseValueList(input, &reasons) != expected || reasons.size() != skipped)
        __builtin_trap();
    return 0;
}
