// The modem lines of one open port: DTR and RTS, which we drive, the break condition, and
// CTS, DSR, DCD and RI, which the device drives. Everything the program does to the lines goes
// through this, so tests can stand in for the ioctls. Failures answer false with the errno;
// a port without modem lines (a pty, some USB CDC devices) fails with ENOTTY or EINVAL.
#pragma once

#include <functional>
#include <memory>

class ModemLines {
public:
    enum Line : unsigned {
        Dtr = 1u << 0,
        Rts = 1u << 1,
        Cts = 1u << 2,
        Dsr = 1u << 3,
        Dcd = 1u << 4,
        Ri = 1u << 5,
    };
    // Makes the lines of the port open on a descriptor.
    using Factory = std::function<std::unique_ptr<ModemLines>(int fd)>;

    ModemLines() = default;
    ModemLines(const ModemLines&) = delete;
    ModemLines& operator=(const ModemLines&) = delete;
    virtual ~ModemLines() = default;

    // The lines now asserted, as Line bits.
    virtual bool get(unsigned& lines, int& error) = 0;
    // Asserts (on) or drops the given Line bits, leaving the others alone.
    virtual bool set(unsigned lines, bool on, int& error) = 0;
    // Starts or ends a break on the transmit line.
    virtual bool setBreak(bool on, int& error) = 0;

    // True for the errors a port gives when it has no modem lines at all.
    static bool meansNoLines(int error);
};
