// The telnet protocol of a network port as a client speaks it, without any I/O: takes the data
// bytes out of what a server sends (IAC IAC undoubled, commands and subnegotiations taken out,
// a command cut by the edge of a read finished by the next), answers its option requests, and
// makes what we send (data with IAC doubled, subnegotiations). Replies never outgrow the
// requests that caused them, so no server can make it loop or flood.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TelnetCodec {
public:
    enum Command : std::uint8_t {
        Se = 240,
        Nop = 241,
        Sb = 250,
        Will = 251,
        Wont = 252,
        Do = 253,
        Dont = 254,
        Iac = 255,
    };
    enum Option : std::uint8_t {
        Binary = 0,
        SuppressGoAhead = 3,
        ComPort = 44,
    };
    // A subnegotiation longer than this is dropped whole: COM-PORT-OPTION's are a few bytes.
    static constexpr std::size_t maxSubnegotiation = 256;
    // How often one option's request is refused; a server that goes on asking has heard us.
    static constexpr int maxRefusals = 3;

    // With comPort the client offers COM-PORT-OPTION (RFC 2217); without it that is refused too.
    explicit TelnetCodec(bool comPort);

    // What the client says first: it offers and asks for BINARY and SUPPRESS-GO-AHEAD both
    // ways, and offers COM-PORT-OPTION when it speaks it.
    std::string start();
    // Takes bytes as they came from the server: data bytes are appended to `data`, answers to
    // option requests to `replies`, and each complete COM-PORT-OPTION subnegotiation goes to
    // the handler. Anything cut off at the end is kept for the next call.
    void receive(std::string_view bytes, std::string& data, std::string& replies);
    using SubnegotiationHandler = std::function<void(std::string_view payload)>;
    void onComPortSubnegotiation(SubnegotiationHandler handler) { comPortHandler_ = std::move(handler); }

    // Data to send, encoded: IAC doubled, and CR followed by NUL while we do not send binary.
    void encode(std::string_view data, std::string& wire) const;
    // IAC SB option payload IAC SE, with IAC doubled in the payload.
    static void appendSubnegotiation(std::uint8_t option, std::string_view payload, std::string& wire);

    // Whether the server agreed to our COM-PORT-OPTION, refused it, or has not said yet.
    bool comPortAgreed() const { return options_[ComPort].us == State::Yes; }
    bool comPortRefused() const { return options_[ComPort].us == State::No && comPortAsked_; }
    bool serverSendsBinary() const { return options_[Binary].him == State::Yes; }
    bool weSendBinary() const { return options_[Binary].us == State::Yes; }
    // True once the server has answered every request of ours (each option agreed or refused).
    bool optionsSettled() const;
    // Subnegotiations dropped as oversized, or cut short by another command.
    std::size_t droppedSubnegotiations() const { return dropped_; }

private:
    // RFC 1143's states for one side of one option (its queue bit is never needed: we
    // change our mind about nothing once negotiated).
    enum class State : std::uint8_t { No, Yes, WantNo, WantYes };
    struct OptionState {
        State us = State::No;  // we perform it (WILL/WONT from us, DO/DONT from the server)
        State him = State::No; // the server performs it
        std::uint8_t refusals = 0;
    };
    enum class Parse : std::uint8_t { Data, Iac, Verb, SbOption, SbData, SbIac };

    bool weAccept(std::uint8_t option) const;
    static bool heMayPerform(std::uint8_t option);
    void command(std::uint8_t byte);
    void negotiate(std::uint8_t verb, std::uint8_t option, std::string& replies);
    void refuse(OptionState& state, std::uint8_t verb, std::uint8_t option, std::string& replies);
    void endSubnegotiation();

    bool comPort_;
    bool comPortAsked_ = false;
    std::array<OptionState, 256> options_{};
    Parse parse_ = Parse::Data;
    std::uint8_t verb_ = 0;
    std::uint8_t sbOption_ = 0;
    bool sbOversized_ = false;
    bool lastWasCr_ = false;
    std::string sb_;
    std::size_t dropped_ = 0;
    SubnegotiationHandler comPortHandler_;
};
