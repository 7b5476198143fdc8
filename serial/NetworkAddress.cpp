#include "serial/NetworkAddress.h"

#include <charconv>

namespace {

constexpr std::string_view separator = "://";

struct Scheme {
    std::string_view name;
    NetworkAddress::Protocol protocol;
};
constexpr Scheme schemes[] = {
    {"rfc2217", NetworkAddress::Protocol::Rfc2217},
    {"telnet", NetworkAddress::Protocol::Telnet},
    {"tcp", NetworkAddress::Protocol::Tcp},
};

bool sameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char lower = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (lower != b[i])
            return false;
    }
    return true;
}

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

} // namespace

bool NetworkAddress::looksLikeOne(std::string_view text)
{
    return text.find(separator) != std::string_view::npos;
}

std::optional<NetworkAddress> NetworkAddress::parse(std::string_view text, std::string& error)
{
    const std::size_t split = text.find(separator);
    if (split == std::string_view::npos) {
        error = quoted(text) + " is not a network address: write rfc2217://HOST:PORT, tcp://HOST:PORT or telnet://HOST:PORT";
        return std::nullopt;
    }
    NetworkAddress address;
    const std::string_view scheme = text.substr(0, split);
    bool known = false;
    for (const Scheme& candidate : schemes) {
        if (sameLetters(scheme, candidate.name)) {
            address.protocol = candidate.protocol;
            known = true;
        }
    }
    if (!known) {
        error = quoted(text) + ": unknown kind of port " + quoted(scheme) + "; use rfc2217://, tcp:// or telnet://";
        return std::nullopt;
    }
    std::string_view rest = text.substr(split + separator.size());
    if (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1); // a habit from web addresses
    std::string_view portText;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            error = quoted(text) + ": the IPv6 address has no closing \"]\"";
            return std::nullopt;
        }
        address.host = rest.substr(1, close - 1);
        const std::string_view after = rest.substr(close + 1);
        if (after.empty() || after.front() != ':') {
            error = quoted(text) + " has no port: add :PORT after the address";
            return std::nullopt;
        }
        portText = after.substr(1);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos) {
            error = quoted(text) + " has no port: add :PORT after the host";
            return std::nullopt;
        }
        address.host = rest.substr(0, colon);
        portText = rest.substr(colon + 1);
        if (address.host.find(':') != std::string::npos) {
            error = quoted(text) + ": an IPv6 address goes in brackets, as in rfc2217://[::1]:2217";
            return std::nullopt;
        }
    }
    if (address.host.empty()) {
        error = quoted(text) + " has no host";
        return std::nullopt;
    }
    if (address.host.find_first_of("/@?# ") != std::string::npos) {
        error = quoted(text) + ": " + quoted(address.host) + " is not a host name";
        return std::nullopt;
    }
    const char* end = portText.data() + portText.size();
    const auto [stop, failure] = std::from_chars(portText.data(), end, address.port);
    if (portText.empty() || failure != std::errc() || stop != end || address.port < 1 || address.port > 65535) {
        error = quoted(text) + ": the port must be a number from 1 to 65535, not " + quoted(portText);
        return std::nullopt;
    }
    return address;
}

std::string NetworkAddress::text() const
{
    std::string scheme;
    for (const Scheme& candidate : schemes)
        if (candidate.protocol == protocol)
            scheme = candidate.name;
    return scheme + std::string(separator) + hostAndPort();
}

std::string NetworkAddress::hostAndPort() const
{
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}
