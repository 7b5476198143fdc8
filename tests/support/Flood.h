// A far end's flood into a pty, on a thread of its own: `total` bytes of every value, 0xFF
// included, in no simple cycle, so a byte lost, doubled or moved shows where it happened.
#pragma once

#include "tests/support/Pty.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <thread>

inline char floodByte(std::size_t i)
{
    return static_cast<char>((i * 7 + i / 256) & 0xFF);
}

inline std::thread floodInto(const Pty& pty, std::size_t total)
{
    return std::thread([&pty, total] {
        std::string chunk;
        for (std::size_t at = 0; at < total; at += chunk.size()) {
            chunk.clear();
            for (std::size_t i = at; i < std::min(total, at + 65536); ++i)
                chunk.push_back(floodByte(i));
            pty.writeMaster(chunk);
        }
    });
}
