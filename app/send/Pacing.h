// How output is slowed for a device that drops bytes without flow control: a delay after
// each character and one after each line ending (an LF, a CR LF, or a CR alone), both 0 by
// default, when output goes out as fast as the port takes it.
#pragma once

#include <chrono>

struct Pacing {
    std::chrono::milliseconds afterCharacter{0};
    std::chrono::milliseconds afterLine{0};

    bool isPaced() const { return afterCharacter.count() > 0 || afterLine.count() > 0; }
    bool operator==(const Pacing&) const = default;
};
