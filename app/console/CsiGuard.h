// Keeps control sequences within what libvterm 0.1 can take. It has room for 16 parameters of
// a CSI sequence and writes past them when a device sends more: separators after the 15th, and
// the parameters they start, are dropped until the sequence ends. Its REP (CSI n b) loops for
// ever when the last glyph had no width: REP's final byte goes on as CAN, ending the sequence
// unacted, and the repeat is left to the caller. Remembers where it is between reads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CsiGuard {
public:
    // Separators a CSI sequence keeps: 16 parameters.
    static constexpr int keptSeparators = 15;
    // A REP's count past this is taken as this: no line is as wide.
    static constexpr int maxRepeat = 0xFFFF;

    // A REP the caller is to act on: its count, and where in what pass() returned it stood.
    struct Repeat {
        std::size_t at;
        int count;
    };

    // `in` as libvterm may read it: `in` itself when nothing had to change, else `scratch`
    // with what is kept.
    std::string_view pass(std::string_view in, std::string& scratch);
    // The REPs of the last pass(), in order.
    const std::vector<Repeat>& repeats() const { return repeats_; }

private:
    enum class State { text, escape, parameters, dropping };
    enum class Act { keep, drop, repeat };
    // What becomes of the byte, moving to the state after it.
    Act step(unsigned char byte);

    State state_ = State::text;
    int separators_ = 0;
    bool private_ = false; // the sequence holds one of "<=>?": a private one, no REP
    int first_ = 0;        // its first parameter
    std::vector<Repeat> repeats_;
};
