#include "app/console/CsiGuard.h"

#include <algorithm>

std::string_view CsiGuard::pass(std::string_view in, std::string& scratch)
{
    repeats_.clear();
    bool changed = false;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const Act act = step(static_cast<unsigned char>(in[i]));
        if (act == Act::keep) {
            if (changed)
                scratch += in[i];
            continue;
        }
        if (!changed) {
            scratch.assign(in.substr(0, i));
            changed = true;
        }
        if (act == Act::repeat) {
            // CAN ends the sequence in libvterm's parser, which then does nothing with it.
            scratch += '\x18';
            if (!private_)
                repeats_.push_back({scratch.size(), first_ == 0 ? 1 : first_});
        }
    }
    return changed ? std::string_view(scratch) : in;
}

CsiGuard::Act CsiGuard::step(unsigned char byte)
{
    // Escape starts a sequence anywhere, and CAN and SUB end one, as the parser takes them.
    if (byte == 0x1B) {
        state_ = State::escape;
        return Act::keep;
    }
    if (byte == 0x18 || byte == 0x1A) {
        state_ = State::text;
        return Act::keep;
    }
    switch (state_) {
    case State::text:
        return Act::keep;
    case State::escape:
        state_ = byte == '[' ? State::parameters : State::text;
        separators_ = 0;
        private_ = false;
        first_ = 0;
        return Act::keep;
    case State::parameters:
    case State::dropping:
        break;
    }
    // Other C0 controls and DEL are acted on or ignored inside the sequence, which goes on.
    if (byte < 0x20 || byte == 0x7F)
        return Act::keep;
    if (byte >= 0x30 && byte <= 0x3F) {
        if (byte >= 0x3C)
            private_ = true;
        else if (byte <= '9' && separators_ == 0 && !private_)
            first_ = std::min(first_ * 10 + (byte - '0'), maxRepeat);
        if ((byte == ';' || byte == ':') && state_ == State::parameters && ++separators_ > keptSeparators)
            state_ = State::dropping;
        return state_ == State::parameters ? Act::keep : Act::drop;
    }
    // An intermediate, a final byte or a character ends the parameters; REP is taken over
    // however many parameters it had.
    state_ = State::text;
    return byte == 'b' ? Act::repeat : Act::keep;
}
