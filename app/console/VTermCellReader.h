// Turns libvterm's cells into ours: the character (U+FFFD for what is no character), its
// width, the attributes and both colours as RGB. Text comes in runs of one colour, so the
// last colour converted of each kind is kept and a cell of the same colours costs no lookup.
#pragma once

#include "app/console/ConsoleCell.h"

#include <vterm.h>

#include <cstdint>

class VTermCellReader {
public:
    ConsoleCell read(const VTermScreen* screen, const VTermScreenCell& from);

private:
    struct Remembered {
        VTermColor colour{};
        std::uint32_t rgb = 0;
        bool known = false;
    };
    static std::uint32_t rgb(const VTermScreen* screen, const VTermColor& colour, Remembered& last);

    Remembered fg_;
    Remembered bg_;
};
