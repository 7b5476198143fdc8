// Checks the value-list reader, and the number reader under it in both bases, against the C
// library's strtoll on arbitrary bytes.
#include "app/parseValueList.h"
#include "app/readByteValue.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

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

    std::u16string expected;
    std::size_t start = 0;
    for (std::size_t comma = input.find(','); start <= size; comma = input.find(',', start)) {
        const std::size_t end = comma == std::string_view::npos ? size : comma;
        if (const auto value = reference(input.substr(start, end - start), 10).value)
            expected.push_back(*value);
        start = end + 1;
    }
    if (parseValueList(input) != expected)
        __builtin_trap();
    return 0;
}
