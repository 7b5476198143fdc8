// Foreground colours of attributed text.
// Colours are shared objects compared by identity: the escape gray is the one object that
// grayColor() returns, and a colour of the same shade made anywhere else is another colour.
#pragma once

#include <cstdint>
#include <memory>

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// nullptr means "no colour": the view's normal text colour.
using ColorRef = std::shared_ptr<const Color>;

ColorRef makeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// The one shared escape gray; every call returns the same object.
const ColorRef& grayColor();
