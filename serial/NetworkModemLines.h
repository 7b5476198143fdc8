// The modem lines of a network port: DTR, RTS and break are set by RFC 2217's SET-CONTROL,
// and the lines read are those the server last answered or notified (NOTIFY-MODEMSTATE),
// so get() never waits. A tcp:// or telnet:// port has none (ENOTSUP). Refers to the port,
// which must outlive it, as TermiosModemLines refers to a descriptor.
#pragma once

#include "serial/ModemLines.h"

class NetworkPort;

class NetworkModemLines final : public ModemLines {
public:
    explicit NetworkModemLines(NetworkPort& port) : port_(port) {}

    bool get(unsigned& lines, int& error) override;
    bool set(unsigned lines, bool on, int& error) override;
    bool setBreak(bool on, int& error) override;

private:
    bool usable(int& error) const;

    NetworkPort& port_;
};
