// A string of the given byte values, for tests that spell out protocol bytes (telnet
// commands, RFC 2217 subnegotiations) one by one: byteString({255, 251, 0}).
#pragma once

#include <initializer_list>
#include <string>

inline std::string byteString(std::initializer_list<int> values)
{
    std::string out;
    for (const int value : values)
        out.push_back(static_cast<char>(value));
    return out;
}
