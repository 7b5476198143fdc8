// What the decoder's fuzz targets share: attributed text read from the fuzzer's bytes, and a
// quiet standard output. Include it from one source per target: it defines the target's
// LLVMFuzzerInitialize.
#pragma once

#include "toolkit/AttributedText.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Segments, each a header byte (its low two bits pick a colour through colorOf, which is given
// the whole header; the rest is the segment's length in units) and its units, one byte each,
// or 0xFF and two bytes for any 16-bit unit.
template <typename ColorOf>
AttributedText attributedTextFrom(const std::uint8_t* data, std::size_t size, ColorOf colorOf)
{
    AttributedText text;
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t header = data[i++];
        std::u16string units;
        for (std::size_t n = header >> 2; n > 0 && i < size; --n) {
            if (data[i] == 0xFF && i + 2 < size) {
                units.push_back(static_cast<char16_t>(data[i + 1] << 8 | data[i + 2]));
                i += 3;
            } else {
                units.push_back(data[i++]);
            }
        }
        text.append(units, colorOf(header));
    }
    return text;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // decode() logs two lines per call; at fuzzing speed they would bury the fuzzer's report.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    return 0;
}
