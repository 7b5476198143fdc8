// How a record's settings (rate, packet type, flow type) become terminal options.
// Pure work on a termios value, apart from the SETTING lines it prints, so every
// combination can be checked without a device.
#pragma once

#include <optional>
#include <termios.h>

namespace PortOptions {

// The rate the driver uses for a record's baud: one of the 13 accepted rates, else 9600.
int rateFor(int baud);
// The system's speed value for an accepted rate, or nothing where it has none
// (glibc lacks 14400 and 28800; those are set exactly after the options are applied).
std::optional<speed_t> speedFor(int rate);

// Turns the options read from the device into the ones to apply: speed, CLOCAL and
// CREAD, the packet type and the flow type (printing their lines), then raw mode.
void apply(termios& options, int baud, int packetFlag, int flowFlag);

} // namespace PortOptions
