// One line of a received history as its readers get it: the bytes that came (without a line
// feed's removal: that is the view's business), or for a marker the text of what happened to
// the port, and the arrival time of its first byte. The views are valid until the history
// changes.
#pragma once

#include "toolkit/Moment.h"

#include <cstdint>
#include <string_view>

struct HistoryLine {
    std::uint64_t number = 0;
    bool marker = false;
    std::string_view bytes; // a data line's bytes, as delivered
    std::string_view text;  // a marker's words ("Port cu.usb opened, 115200 none-8-1 None")
    Moment at;
};
