#include "devices/CharacterFormat.h"

#include <iterator>

namespace {

using Parity = CharacterFormat::Parity;

constexpr int dataBitsMask = 0x3;   // data bits - 5
constexpr int parityShift = 2;      // 3 bits of Parity
constexpr int parityMask = 0x7;
constexpr int twoStopBits = 0x20;
constexpr int customBits = 0x3F;

constexpr CharacterFormat named[] = {
    {8, Parity::None, 1}, // "none-8-1"
    {7, Parity::Even, 1}, // "even-7-1"
    {7, Parity::Odd, 1},  // "odd-7-1"
};

const char* parityName(Parity parity)
{
    switch (parity) {
    case Parity::Even: return "even";
    case Parity::Odd: return "odd";
    case Parity::Mark: return "mark";
    case Parity::Space: return "space";
    case Parity::None: break;
    }
    return "none";
}

} // namespace

bool CharacterFormat::isCustomFlag(int flag)
{
    return (flag & ~customBits) == customFlagBase && ((flag >> parityShift) & parityMask) <= int(Parity::Space);
}

CharacterFormat CharacterFormat::fromFlag(int flag)
{
    if (flag >= 0 && flag < int(std::size(named)))
        return named[flag];
    if (!isCustomFlag(flag))
        return named[0];
    return {5 + (flag & dataBitsMask), Parity((flag >> parityShift) & parityMask), (flag & twoStopBits) ? 2 : 1};
}

int CharacterFormat::toFlag() const
{
    CharacterFormat sound = *this;
    if (sound.dataBits < 5 || sound.dataBits > 8)
        sound.dataBits = 8;
    if (sound.parity < Parity::None || sound.parity > Parity::Space)
        sound.parity = Parity::None;
    if (sound.stopBits != 2)
        sound.stopBits = 1;
    for (int flag = 0; flag < int(std::size(named)); ++flag) {
        if (named[flag] == sound)
            return flag;
    }
    return customFlagBase | (sound.dataBits - 5) | (int(sound.parity) << parityShift) |
           (sound.stopBits == 2 ? twoStopBits : 0);
}

std::string CharacterFormat::title() const
{
    return std::string(parityName(parity)) + "-" + std::to_string(dataBits) + "-" + std::to_string(stopBits);
}

std::string CharacterFormat::code() const
{
    const char letter = static_cast<char>(parityName(parity)[0] - 'a' + 'A');
    return letter + std::to_string(dataBits) + std::to_string(stopBits);
}
