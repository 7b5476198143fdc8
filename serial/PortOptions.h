// How a record's settings (rate, packet type, flow type) become terminal options.
// Pure work on a termios value, apart from the SETTING lines it prints, so every
// combination can be checked without a device.
#pragma once

#include <optional>
#include <termios.h>

namespace PortOptions {

// The rate the driver asks for a record's baud: the baud itself, or 9600 for one that is not
// a positive rate.
int rateFor(int baud);
// The system's speed value for a rate, or nothing where it has none (glibc lacks 14400 and
// 28800, and every rate outside the 13 of the baud pop-up): those are set exactly after the
// options are applied.
std::optional<speed_t> speedFor(int rate);
// Whether mark and space parity can be had (CMSPAR).
bool hasStickParity();
// Under hardware flow control the driver drives RTS itself: nobody else may set it.
bool driverDrivesRts(int flowFlag);

// Turns the options read from the device into the ones to apply: speed, CLOCAL and
// CREAD, the packet type (a flag of CharacterFormat) and the flow type (printing their
// lines), then raw mode.
void apply(termios& options, int baud, int packetFlag, int flowFlag);

} // namespace PortOptions
