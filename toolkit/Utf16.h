// UTF-16 code units: which ones are halves of a surrogate pair, and the character a pair
// stands for. Text here is UTF-16 throughout; a lone half is not a character.
#pragma once

inline constexpr bool isHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

inline constexpr bool isLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

inline constexpr char32_t surrogatePairValue(char32_t high, char32_t low)
{
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}
