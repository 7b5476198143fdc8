#include "toolkit/Color.h"

ColorRef makeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return std::make_shared<const Color>(Color{red, green, blue});
}

const ColorRef& grayColor()
{
    static const ColorRef gray = makeColor(0x80, 0x80, 0x80);
    return gray;
}
