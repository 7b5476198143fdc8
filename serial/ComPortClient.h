// The client's half of RFC 2217's COM-PORT-OPTION: the payloads of the commands that set the
// remote port (rate, format, flow, DTR, RTS, break, which modem lines to notify, purging), and
// what the server's answers and notifications say about it. No I/O: the network port wraps
// each payload in a subnegotiation and hands back what the server sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class ComPortClient {
public:
    enum Command : std::uint8_t {
        Signature = 0,
        SetBaudRate = 1,
        SetDataSize = 2,
        SetParity = 3,
        SetStopSize = 4,
        SetControl = 5,
        NotifyLineState = 6,
        NotifyModemState = 7,
        SetLineStateMask = 10,
        SetModemStateMask = 11,
        PurgeData = 12,
    };
    // The server answers command N as N + serverOffset.
    static constexpr std::uint8_t serverOffset = 100;
    enum Parity : std::uint8_t { ParityNone = 1, ParityOdd = 2, ParityEven = 3, ParityMark = 4, ParitySpace = 5 };
    enum StopSize : std::uint8_t { OneStopBit = 1, TwoStopBits = 2, OneAndAHalfStopBits = 3 };
    enum Control : std::uint8_t {
        FlowNone = 1,
        FlowXonXoff = 2,
        FlowHardware = 3,
        BreakOn = 5,
        BreakOff = 6,
        DtrOn = 8,
        DtrOff = 9,
        RtsOn = 11,
        RtsOff = 12,
    };
    enum Purge : std::uint8_t { PurgeReceive = 1, PurgeTransmit = 2, PurgeBoth = 3 };
    // NOTIFY-MODEMSTATE's lines; its low four bits say which of them changed.
    enum ModemState : std::uint8_t { Cts = 0x10, Dsr = 0x20, Ri = 0x40, Dcd = 0x80 };

    // What the server last said of its port; each stays empty until it said so.
    struct Remote {
        std::optional<std::uint32_t> baud;
        std::optional<int> dataSize;
        std::optional<int> parity;
        std::optional<int> stopSize;
        std::optional<int> flow;
        std::optional<bool> dtr;
        std::optional<bool> rts;
        std::optional<bool> breakOn;
        std::optional<std::uint8_t> modemState;
        std::optional<std::uint8_t> lineState;
    };

    // Each makes one command's payload; the settings among them (rate, data size, parity,
    // stop size, flow) are then awaited until the server answers them.
    std::string setBaudRate(std::uint32_t rate);
    std::string setDataSize(std::uint8_t bits);
    std::string setParity(std::uint8_t parity);
    std::string setStopSize(std::uint8_t stopSize);
    std::string setControl(std::uint8_t control);
    static std::string setModemStateMask(std::uint8_t mask);
    static std::string purgeData(std::uint8_t which);

    // Takes one COM-PORT-OPTION subnegotiation from the server. False for one that is not a
    // well-formed answer or notification, which changes nothing.
    bool take(std::string_view payload);
    const Remote& remote() const { return remote_; }
    // True once every setting sent has been answered.
    bool settled() const { return awaiting_ == 0; }

private:
    enum Awaited : unsigned { Baud = 1, DataSize = 2, ParityBit = 4, StopSizeBit = 8, Flow = 16 };
    bool takeControl(std::uint8_t value);

    Remote remote_;
    unsigned awaiting_ = 0;
};
