#include "app/send/ModemProtocol.h"

#include "app/send/ChildProcess.h"

std::string_view protocolName(ModemProtocol protocol)
{
    switch (protocol) {
    case ModemProtocol::Xmodem:
        return "XMODEM";
    case ModemProtocol::Ymodem:
        return "YMODEM";
    case ModemProtocol::Zmodem:
        break;
    }
    return "ZMODEM";
}

std::string_view lrzszProgram(ModemProtocol protocol, bool sending)
{
    switch (protocol) {
    case ModemProtocol::Xmodem:
        return sending ? "sx" : "rx";
    case ModemProtocol::Ymodem:
        return sending ? "sb" : "rb";
    case ModemProtocol::Zmodem:
        break;
    }
    return sending ? "sz" : "rz";
}

std::string findLrzsz(ModemProtocol protocol, bool sending)
{
    const std::string name(lrzszProgram(protocol, sending));
    // Debian names them sz...; lrzsz built as it comes (Homebrew) names them lsz...
    std::string path = findProgram(name);
    return path.empty() ? findProgram("l" + name) : path;
}

std::string lrzszMissingStatus(ModemProtocol protocol)
{
    return std::string(protocolName(protocol)) +
           " needs the lrzsz programs (sz, rz, sb, rb, sx, rx), which are not installed. "
#ifdef __APPLE__
           "Install them with: brew install lrzsz";
#else
           "Install them with: sudo apt install lrzsz";
#endif
}
