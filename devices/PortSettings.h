// The settings a port is opened with, as one value: the rate, the character format (a
// PacketType or a CharacterFormat flag), the flow control (a FlowType) and whether DTR and
// RTS are to be asserted. A device record holds one; a window waiting for its device keeps one.
#pragma once

struct PortSettings {
    int baud = 9600;
    int packet = 0;
    int flow = 0;
    bool dtr = true;
    bool rts = true;

    bool operator==(const PortSettings&) const = default;
};
