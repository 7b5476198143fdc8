// A character format: data bits, parity and stop bits, and how a device record keeps it in
// its packet flag. The three named formats keep their flags 0, 1 and 2; every other format is
// `customFlagBase` plus its bits, so a flag says exactly which format the port is to get.
#pragma once

#include <string>

struct CharacterFormat {
    enum class Parity { None, Even, Odd, Mark, Space };

    int dataBits = 8;            // 5 to 8
    Parity parity = Parity::None;
    int stopBits = 1;            // 1 or 2

    static constexpr int customFlagBase = 0x100;

    // The format a packet flag stands for; a flag that names none works as "none-8-1".
    static CharacterFormat fromFlag(int flag);
    // True for the flags toFlag() makes for formats other than the three named ones.
    static bool isCustomFlag(int flag);
    // 0, 1 or 2 for the named formats, else customFlagBase plus the bits. An out-of-range
    // field is taken as its default.
    int toFlag() const;
    // "none-8-2", "mark-7-1": parity, data bits, stop bits, as the pop-up names formats.
    std::string title() const;
    // "N82", "M71": the letters the SETTING lines use.
    std::string code() const;

    bool operator==(const CharacterFormat&) const = default;
};
