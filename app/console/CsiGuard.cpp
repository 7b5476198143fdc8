#include "app/console/CsiGuard.h"

std::string_view CsiGuard::pass(std::string_view in, std::string& scratch)
{
    std::size_t i = 0;
    while (i < in.size() && step(static_cast<unsigned char>(in[i])))
        ++i;
    if (i == in.size())
        return in;
    scratch.assign(in.substr(0, i));
    for (++i; i < in.size(); ++i)
        if (step(static_cast<unsigned char>(in[i])))
            scratch += in[i];
    return scratch;
}

bool CsiGuard::step(unsigned char byte)
{
    // Escape starts a sequence anywhere, and CAN and SUB end one, as the parser takes them.
    if (byte == 0x1B) {
        state_ = State::escape;
        return true;
    }
    if (byte == 0x18 || byte == 0x1A) {
        state_ = State::text;
        return true;
    }
    switch (state_) {
    case State::text:
        return true;
    case State::escape:
        state_ = byte == '[' ? State::parameters : State::text;
        separators_ = 0;
        return true;
    case State::parameters:
    case State::dropping:
        break;
    }
    // Other C0 controls and DEL are acted on or ignored inside the sequence, which goes on.
    if (byte < 0x20 || byte == 0x7F)
        return true;
    if (byte >= 0x30 && byte <= 0x3F) {
        if ((byte == ';' || byte == ':') && state_ == State::parameters && ++separators_ > keptSeparators)
            state_ = State::dropping;
        return state_ == State::parameters;
    }
    // An intermediate, a final byte or a character ends the parameters.
    state_ = State::text;
    return true;
}
