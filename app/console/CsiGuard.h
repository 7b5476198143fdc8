// Keeps control sequences within what libvterm 0.1 can hold: it has room for 16 parameters of
// a CSI sequence and writes past them when a device sends more (a crash, on bytes any device
// may send). Separators after the 15th, and the parameters they start, are dropped until the
// sequence ends; everything else passes as it came. Remembers where it is between reads.
#pragma once

#include <string>
#include <string_view>

class CsiGuard {
public:
    // Separators a CSI sequence keeps: 16 parameters.
    static constexpr int keptSeparators = 15;

    // `in` as libvterm may read it: `in` itself when nothing had to go, else `scratch` with
    // what is kept.
    std::string_view pass(std::string_view in, std::string& scratch);

private:
    enum class State { text, escape, parameters, dropping };
    // Whether the byte goes on, moving to the state after it.
    bool step(unsigned char byte);

    State state_ = State::text;
    int separators_ = 0;
};
