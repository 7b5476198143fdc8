#include "serial/PortOptions.h"

#include "devices/CharacterFormat.h"
#include "toolkit/Log.h"

#include <array>
#include <utility>

namespace {

constexpr int defaultRate = 9600;
constexpr int packetEven71 = 1;
constexpr int packetOdd71 = 2;
constexpr int flowXonXoff = 1;
constexpr int flowHardware = 2;

#ifdef __linux__
// 0 where glibc has no constant.
constexpr std::array<std::pair<int, speed_t>, 13> rates = {{
    {300, B300}, {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800},
    {9600, B9600}, {14400, 0}, {19200, B19200}, {28800, 0}, {38400, B38400},
    {57600, B57600}, {115200, B115200}}};
#else
// Speed values are the rates themselves on macOS and the BSDs.
constexpr std::array<std::pair<int, speed_t>, 13> rates = {{
    {300, 300}, {600, 600}, {1200, 1200}, {1800, 1800}, {2400, 2400}, {4800, 4800},
    {9600, 9600}, {14400, 14400}, {19200, 19200}, {28800, 28800}, {38400, 38400},
    {57600, 57600}, {115200, 115200}}};
#endif

#ifdef CMSPAR
constexpr tcflag_t stickParity = CMSPAR;
#else
constexpr tcflag_t stickParity = 0;
#endif

// A format from the Character Format dialog: every bit of it is set, none left as the
// device had it.
void applyCustomPacket(termios& options, const CharacterFormat& format)
{
    using Parity = CharacterFormat::Parity;
    logLinef("SETTING Packet %s", format.code().c_str());
    options.c_cflag &= ~tcflag_t{CSIZE | PARENB | PARODD | CSTOPB | stickParity};
    constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    options.c_cflag |= sizes[format.dataBits - 5];
    if (format.stopBits == 2)
        options.c_cflag |= CSTOPB;
    switch (format.parity) {
    case Parity::Odd: options.c_cflag |= PARENB | PARODD; break;
    case Parity::Even: options.c_cflag |= PARENB; break;
    // With CMSPAR, PARODD picks a parity bit always 1 (mark) or always 0 (space).
    case Parity::Mark: if (stickParity) options.c_cflag |= PARENB | PARODD | stickParity; break;
    case Parity::Space: if (stickParity) options.c_cflag |= PARENB | stickParity; break;
    case Parity::None: break;
    }
}

void applyPacket(termios& options, int packetFlag)
{
    if (CharacterFormat::isCustomFlag(packetFlag)) {
        applyCustomPacket(options, CharacterFormat::fromFlag(packetFlag));
    } else if (packetFlag == packetEven71) {
        logLine("SETTING Packet E71");
        // A CMSPAR left by another program would make it space parity.
        options.c_cflag &= ~tcflag_t{PARODD | CSTOPB | CSIZE | stickParity};
        options.c_cflag |= PARENB | CS7;
    } else if (packetFlag == packetOdd71) {
        logLine("SETTING Packet O71");
        options.c_cflag &= ~tcflag_t{CSTOPB | CSIZE | stickParity};
        options.c_cflag |= PARENB | PARODD | CS7;
    } else {
        logLine("SETTING Packet N81");
        options.c_cflag &= ~tcflag_t{PARENB | CSTOPB | CSIZE};
        options.c_cflag |= CS8;
    }
}

void applyFlow(termios& options, int flowFlag)
{
    if (flowFlag == flowHardware) {
        logLine("SETTING Flow Hardware");
        options.c_cflag |= CRTSCTS;
    } else if (flowFlag == flowXonXoff) {
        logLine("SETTING Flow XON/XOFF");
        options.c_iflag |= IXON | IXOFF;
        options.c_cflag &= ~tcflag_t{CRTSCTS};
    } else {
        logLine("SETTING Flow None");
        options.c_iflag &= ~tcflag_t{IXON | IXOFF};
        options.c_cflag &= ~tcflag_t{CRTSCTS};
    }
}

// The device's line discipline would echo, edit and translate the data; the terminal
// shows and sends bytes exactly as they are.
void makeRaw(termios& options, int flowFlag)
{
    options.c_iflag &= ~tcflag_t{IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY};
#ifdef IUCLC
    options.c_iflag &= ~tcflag_t{IUCLC};
#endif

    // A device's own IXON would otherwise swallow every 0x11 and 0x13 under Hardware.
    if (flowFlag != flowXonXoff)
        options.c_iflag &= ~tcflag_t{IXON | IXOFF};
    options.c_oflag &= ~tcflag_t{OPOST};
    options.c_lflag &= ~tcflag_t{ECHO | ECHONL | ICANON | ISIG | IEXTEN};
    options.c_cc[VMIN] = 0;
    options.c_cc[VTIME] = 0;
}

} // namespace

int PortOptions::rateFor(int baud)
{
    return baud > 0 ? baud : defaultRate;
}

bool PortOptions::driverDrivesRts(int flowFlag)
{
    return flowFlag == flowHardware;
}

bool PortOptions::hasStickParity()
{
    return stickParity != 0;
}

std::optional<speed_t> PortOptions::speedFor(int rate)
{
    for (const auto& [known, speed] : rates)
        if (known == rate)
            return speed == 0 ? std::nullopt : std::optional<speed_t>(speed);
    return std::nullopt;
}

void PortOptions::apply(termios& options, int baud, int packetFlag, int flowFlag)
{
    // A rate without a speed value keeps the device's speed until it is set exactly, after
    // these options are applied.
    if (const auto speed = speedFor(rateFor(baud))) {
#ifdef CIBAUD
        // An exact rate set before left its input speed in CIBAUD, which cfsetispeed does not
        // clear: with none there, the input speed follows the output one.
        options.c_cflag &= ~tcflag_t{CIBAUD};
#endif
        ::cfsetispeed(&options, *speed);
        ::cfsetospeed(&options, *speed);
    }
    options.c_cflag |= CLOCAL | CREAD;
    applyPacket(options, packetFlag);
    applyFlow(options, flowFlag);
    makeRaw(options, flowFlag);
}

