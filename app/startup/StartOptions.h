// What the command line asks of the program's start: the ports to open, one window each, and
// the settings those windows start with. Each setting is empty unless it was given, so the
// program starts exactly as it does without arguments in everything not asked for.
#pragma once

#include "app/text/TextEncoding.h"
#include "app/text/ViewType.h"

#include <optional>
#include <string>
#include <vector>

struct StartOptions {
    // As typed: a device name (ttyUSB0), a path, a /dev/serial/by-id link or a network address.
    std::vector<std::string> ports;
    std::optional<int> baud;
    std::optional<int> packetFlag; // a device record's packet flag (CharacterFormat::toFlag)
    std::optional<int> flowFlag;   // 0 none, 1 Xon/Xoff, 2 hardware
    std::optional<ViewType> view;
    std::optional<TextEncoding> encoding;
    bool console = false;
    std::optional<std::string> capture;    // text with timestamps
    std::optional<std::string> rawCapture; // the bytes as received

    bool operator==(const StartOptions&) const = default;
};
