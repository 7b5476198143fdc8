// Feeds the telnet codec what a server might send: any bytes, truncated and oversized
// subnegotiations, IAC at the edge of a read, floods of option requests. Checks that the
// stream decodes the same wherever the reads end, that replies never outgrow the requests,
// that no subnegotiation passes its bound, that RFC 2217's reader takes any of them, and that
// whatever data came out goes back through encoding and decoding unchanged.
//
// Input: the first byte picks COM-PORT-OPTION or plain telnet and seeds the read sizes; the
// rest is the server's stream.
#include "serial/ComPortClient.h"
#include "serial/TelnetCodec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Outcome {
    std::string data;
    std::string replies;
    std::vector<std::string> subnegotiations;

    bool operator==(const Outcome&) const = default;
};

// The stream in reads whose sizes follow `seed`: 1 to 17 bytes, or the whole at once for 0.
Outcome decode(bool comPort, std::string_view stream, unsigned seed)
{
    Outcome outcome;
    TelnetCodec codec(comPort);
    codec.start();
    codec.onComPortSubnegotiation([&](std::string_view payload) { outcome.subnegotiations.emplace_back(payload); });
    while (!stream.empty()) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t size = seed == 0 ? stream.size() : 1 + (seed >> 16) % 17;
        const std::string_view read = stream.substr(0, size);
        codec.receive(read, outcome.data, outcome.replies);
        stream.remove_prefix(read.size());
    }
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool comPort = (bytes[0] & 1) != 0;
    const std::string_view stream(reinterpret_cast<const char*>(bytes + 1), size - 1);

    Outcome whole;
    {
        TelnetCodec codec(comPort);
        codec.start();
        codec.onComPortSubnegotiation([&](std::string_view payload) { whole.subnegotiations.emplace_back(payload); });
        codec.receive(stream, whole.data, whole.replies);
    }
    if (decode(comPort, stream, bytes[0] | 1u) != whole)
        __builtin_trap();
    if (whole.data.size() > stream.size() || whole.replies.size() > stream.size())
        __builtin_trap();

    ComPortClient client;
    for (const std::string& payload : whole.subnegotiations) {
        if (payload.size() > TelnetCodec::maxSubnegotiation || !comPort)
            __builtin_trap();
        client.take(payload);
    }

    std::string wire, back, ignored;
    TelnetCodec(comPort).encode(whole.data, wire);
    TelnetCodec(comPort).receive(wire, back, ignored);
    if (back != whole.data || !ignored.empty())
        __builtin_trap();
    return 0;
}
