#include "serial/NetworkAddress.h"

#include <gtest/gtest.h>

using Protocol = NetworkAddress::Protocol;

TEST(NetworkAddressTest, ReadsEachKindNamesAndIpv6InBrackets)
{
    const struct {
        const char* text;
        NetworkAddress address;
        const char* canonical;
    } cases[] = {
        {"rfc2217://lab-rack:2217", {Protocol::Rfc2217, "lab-rack", 2217}, "rfc2217://lab-rack:2217"},
        {"tcp://192.168.4.1:23", {Protocol::Tcp, "192.168.4.1", 23}, "tcp://192.168.4.1:23"},
        {"telnet://host.example:65535/", {Protocol::Telnet, "host.example", 65535}, "telnet://host.example:65535"},
        {"RFC2217://[::1]:4001", {Protocol::Rfc2217, "::1", 4001}, "rfc2217://[::1]:4001"},
        {"tcp://[fe80::1%eth0]:1", {Protocol::Tcp, "fe80::1%eth0", 1}, "tcp://[fe80::1%eth0]:1"},
    };
    for (const auto& [text, address, canonical] : cases) {
        std::string error;
        const auto parsed = NetworkAddress::parse(text, error);
        ASSERT_TRUE(parsed) << text << ": " << error;
        EXPECT_EQ(*parsed, address) << text;
        EXPECT_EQ(parsed->text(), canonical);
    }
}

TEST(NetworkAddressTest, BadAddressesSayWhatIsWrong)
{
    const std::pair<const char*, const char*> cases[] = {
        {"ftp://host:21", "unknown kind of port \"ftp\""},
        {"rfc2217://host", "has no port"},
        {"rfc2217://:2217", "has no host"},
        {"tcp://host:0", "from 1 to 65535"},
        {"tcp://host:65536", "from 1 to 65535"},
        {"tcp://host:23x", "from 1 to 65535"},
        {"tcp://::1:23", "IPv6 address goes in brackets"},
        {"tcp://[::1:23", "no closing"},
        {"tcp://[::1]", "has no port"},
        {"tcp://user@host:23", "is not a host name"},
        {"ttyUSB0", "is not a network address"},
    };
    for (const auto& [text, expected] : cases) {
        std::string error;
        EXPECT_FALSE(NetworkAddress::parse(text, error)) << text;
        EXPECT_NE(error.find(expected), std::string::npos) << text << ": " << error;
    }
    // Only names with a scheme look like one.
    EXPECT_TRUE(NetworkAddress::looksLikeOne("nonsense://"));
    EXPECT_FALSE(NetworkAddress::looksLikeOne("cu.usbserial-1410"));
    EXPECT_FALSE(NetworkAddress::looksLikeOne("/dev/serial/by-id/usb-FTDI:x"));
}
