// How a record's settings (rate, packet type, flow type) become terminal options.
// Pure work on a termios value, apart from the SETTING lines it prints, so every
// combination can be checked without a device.
#pragma once

#include <optional>
#include <termios.h>

class PortOptions {
public:
    // The rate the driver uses for a record's baud: one of the 13 accepted rates, else 9600.
    static int rateFor(int baud);
    // The system's speed value for an accepted rate, or nothing where it has none
    // (glibc lacks 14400 and 28800; those are set exactly after the options are applied).
    static std::optional<speed_t> speedFor(int rate);

    // Turns the options read from the device into the ones to apply: speed, CLOCAL and
    // CREAD, the packet type and the flow type (printing their lines), then raw mode.
    static void apply(termios& options, int baud, int packetFlag, int flowFlag);

private:
    static void applyPacket(termios& options, int packetFlag);
    static void applyFlow(termios& options, int flowFlag);
    // The device's line discipline would echo, edit and translate the data; the terminal
    // shows and sends bytes exactly as they are.
    static void makeRaw(termios& options, int flowFlag);
};
