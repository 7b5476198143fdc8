// The characters of a rendered text that carry the escape gray, as a string of '#' (gray),
// '.' (plain) and '?' (any other colour): how a test reads what a filter coloured.
#pragma once

#include "toolkit/AttributedText.h"

#include <string>

inline std::string grayMask(const AttributedText& text)
{
    std::string mask;
    for (const AttributedText::Run& run : text.runs())
        mask.append(run.length, run.color == grayColor() ? '#' : run.color ? '?' : '.');
    return mask;
}
