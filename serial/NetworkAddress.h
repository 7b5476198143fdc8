// Where a network port is: `rfc2217://HOST:PORT` (telnet with the serial settings of RFC 2217),
// `telnet://HOST:PORT` (telnet without them) or `tcp://HOST:PORT` (raw bytes, no settings).
// HOST is a name, an IPv4 address or an IPv6 address in brackets; PORT is 1-65535. A device
// record named by one is a network port; parse() says in words what is wrong with a bad one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct NetworkAddress {
    enum class Protocol { Rfc2217, Telnet, Tcp };

    Protocol protocol = Protocol::Rfc2217;
    std::string host; // without brackets
    int port = 0;

    // True for text that names a network port at all ("scheme://"), well-formed or not: a
    // local device's name never holds "://".
    static bool looksLikeOne(std::string_view text);
    // The address, or nothing with `error` saying why ("… has no port: add :PORT").
    static std::optional<NetworkAddress> parse(std::string_view text, std::string& error);
    // "rfc2217://[::1]:2217": how the device pop-up and the log name it.
    std::string text() const;
    // "host:port" or "[::1]:port", for messages.
    std::string hostAndPort() const;

    bool speaksTelnet() const { return protocol != Protocol::Tcp; }
    bool setsSerialPort() const { return protocol == Protocol::Rfc2217; }

    bool operator==(const NetworkAddress&) const = default;
};
