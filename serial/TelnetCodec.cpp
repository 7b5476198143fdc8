#include "serial/TelnetCodec.h"

namespace {

void appendCommand(std::string& out, std::uint8_t verb, std::uint8_t option)
{
    out.push_back(static_cast<char>(TelnetCodec::Iac));
    out.push_back(static_cast<char>(verb));
    out.push_back(static_cast<char>(option));
}

} // namespace

TelnetCodec::TelnetCodec(bool comPort) : comPort_(comPort)
{
}

bool TelnetCodec::weAccept(std::uint8_t option) const
{
    return option == Binary || option == SuppressGoAhead || (comPort_ && option == ComPort);
}

bool TelnetCodec::heMayPerform(std::uint8_t option)
{
    // A server that echoes or offers COM-PORT-OPTION to us would be a client's job mixed up.
    return option == Binary || option == SuppressGoAhead;
}

std::string TelnetCodec::start()
{
    std::string out;
    // Every byte value must pass both ways, and a go-ahead means nothing to a serial line.
    for (const std::uint8_t option : {Binary, SuppressGoAhead}) {
        options_[option].us = State::WantYes;
        appendCommand(out, Will, option);
        options_[option].him = State::WantYes;
        appendCommand(out, Do, option);
    }
    if (comPort_) {
        options_[ComPort].us = State::WantYes;
        comPortAsked_ = true;
        appendCommand(out, Will, ComPort);
    }
    return out;
}

bool TelnetCodec::optionsSettled() const
{
    for (const std::uint8_t option : {Binary, SuppressGoAhead, ComPort}) {
        const OptionState& state = options_[option];
        if (state.us == State::WantYes || state.us == State::WantNo || state.him == State::WantYes ||
            state.him == State::WantNo)
            return false;
    }
    return true;
}

void TelnetCodec::receive(std::string_view bytes, std::string& data, std::string& replies)
{
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        switch (parse_) {
        case Parse::Data:
            if (byte == Iac) {
                parse_ = Parse::Iac;
                break;
            }
            // Outside binary a server sends CR as CR NUL (RFC 854); the NUL is not data.
            if (!(byte == 0 && lastWasCr_ && !serverSendsBinary()))
                data.push_back(c);
            lastWasCr_ = byte == '\r';
            break;
        case Parse::Iac:
            command(byte);
            if (byte == Iac) {
                data.push_back(c);
                lastWasCr_ = false;
            }
            break;
        case Parse::Verb:
            negotiate(verb_, byte, replies);
            parse_ = Parse::Data;
            break;
        case Parse::SbOption:
            if (byte == Iac) {
                // No option at all: whatever follows the IAC decides.
                sbOversized_ = true;
                parse_ = Parse::SbIac;
                break;
            }
            sbOption_ = byte;
            sb_.clear();
            sbOversized_ = false;
            parse_ = Parse::SbData;
            break;
        case Parse::SbData:
            if (byte == Iac)
                parse_ = Parse::SbIac;
            else if (sb_.size() < maxSubnegotiation)
                sb_.push_back(c);
            else
                sbOversized_ = true;
            break;
        case Parse::SbIac:
            if (byte == Iac) {
                if (sb_.size() < maxSubnegotiation)
                    sb_.push_back(c);
                else
                    sbOversized_ = true;
                parse_ = Parse::SbData;
            } else if (byte == Se) {
                endSubnegotiation();
                parse_ = Parse::Data;
            } else {
                // The subnegotiation was cut short: drop it, and take the byte as the
                // command it is, so a lost IAC SE costs the subnegotiation, not the stream.
                ++dropped_;
                sb_.clear();
                command(byte);
            }
            break;
        }
    }
}

void TelnetCodec::command(std::uint8_t byte)
{
    switch (byte) {
    case Will:
    case Wont:
    case Do:
    case Dont:
        verb_ = byte;
        parse_ = Parse::Verb;
        return;
    case Sb:
        parse_ = Parse::SbOption;
        return;
    default:
        // IAC IAC is data (the caller keeps it); NOP, GA, a stray SE and the other NVT
        // commands mean nothing on a serial line.
        parse_ = Parse::Data;
        return;
    }
}

void TelnetCodec::endSubnegotiation()
{
    if (sbOversized_) {
        ++dropped_;
    } else if (sbOption_ == ComPort && comPort_ && comPortHandler_) {
        comPortHandler_(sb_);
    }
    sb_.clear();
    sbOversized_ = false;
}

void TelnetCodec::negotiate(std::uint8_t verb, std::uint8_t option, std::string& replies)
{
    OptionState& state = options_[option];
    // The server's side for WILL and WONT, ours for DO and DONT; each request is answered
    // only when it changes a state, never an answer to an answer (RFC 1143).
    const bool his = verb == Will || verb == Wont;
    const bool enable = verb == Will || verb == Do;
    State& side = his ? state.him : state.us;
    const bool acceptable = his ? heMayPerform(option) : weAccept(option);
    switch (side) {
    case State::No:
        if (!enable)
            return;
        if (acceptable) {
            side = State::Yes;
            appendCommand(replies, his ? Do : Will, option);
        } else {
            refuse(state, verb, option, replies);
        }
        return;
    case State::Yes:
        if (enable)
            return;
        side = State::No;
        appendCommand(replies, his ? Dont : Wont, option);
        return;
    case State::WantNo:
        side = State::No;
        return;
    case State::WantYes:
        side = enable ? State::Yes : State::No;
        return;
    }
}

void TelnetCodec::refuse(OptionState& state, std::uint8_t verb, std::uint8_t option, std::string& replies)
{
    if (state.refusals >= maxRefusals)
        return;
    ++state.refusals;
    appendCommand(replies, verb == Will ? Dont : Wont, option);
}

void TelnetCodec::encode(std::string_view data, std::string& wire) const
{
    const bool binary = weSendBinary();
    wire.reserve(wire.size() + data.size());
    for (const char c : data) {
        wire.push_back(c);
        if (static_cast<std::uint8_t>(c) == Iac)
            wire.push_back(c);
        else if (c == '\r' && !binary)
            wire.push_back('\0');
    }
}

void TelnetCodec::appendSubnegotiation(std::uint8_t option, std::string_view payload, std::string& wire)
{
    wire.push_back(static_cast<char>(Iac));
    wire.push_back(static_cast<char>(Sb));
    wire.push_back(static_cast<char>(option));
    for (const char c : payload) {
        wire.push_back(c);
        if (static_cast<std::uint8_t>(c) == Iac)
            wire.push_back(c);
    }
    wire.push_back(static_cast<char>(Iac));
    wire.push_back(static_cast<char>(Se));
}
