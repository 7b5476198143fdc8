#include "serial/ComPortClient.h"

namespace {

std::string command(std::uint8_t code, std::uint8_t value)
{
    return {static_cast<char>(code), static_cast<char>(value)};
}

} // namespace

std::string ComPortClient::setBaudRate(std::uint32_t rate)
{
    awaiting_ |= Baud;
    // Four bytes in network order.
    return {static_cast<char>(SetBaudRate), static_cast<char>(rate >> 24), static_cast<char>(rate >> 16),
            static_cast<char>(rate >> 8), static_cast<char>(rate)};
}

std::string ComPortClient::setDataSize(std::uint8_t bits)
{
    awaiting_ |= DataSize;
    return command(SetDataSize, bits);
}

std::string ComPortClient::setParity(std::uint8_t parity)
{
    awaiting_ |= ParityBit;
    return command(SetParity, parity);
}

std::string ComPortClient::setStopSize(std::uint8_t stopSize)
{
    awaiting_ |= StopSizeBit;
    return command(SetStopSize, stopSize);
}

std::string ComPortClient::setControl(std::uint8_t control)
{
    if (control >= FlowNone && control <= FlowHardware)
        awaiting_ |= Flow;
    return command(SetControl, control);
}

std::string ComPortClient::setModemStateMask(std::uint8_t mask)
{
    return command(SetModemStateMask, mask);
}

std::string ComPortClient::purgeData(std::uint8_t which)
{
    return command(PurgeData, which);
}

bool ComPortClient::take(std::string_view payload)
{
    if (payload.empty())
        return false;
    const auto code = static_cast<std::uint8_t>(payload[0]);
    const std::string_view value = payload.substr(1);
    if (code < serverOffset)
        return false;
    if (code - serverOffset == SetBaudRate) {
        if (value.size() != 4)
            return false;
        std::uint32_t rate = 0;
        for (const char c : value)
            rate = rate << 8 | static_cast<std::uint8_t>(c);
        remote_.baud = rate;
        awaiting_ &= ~unsigned{Baud};
        return true;
    }
    if (value.size() != 1)
        return false;
    const auto byte = static_cast<std::uint8_t>(value[0]);
    switch (code - serverOffset) {
    case SetDataSize:
        remote_.dataSize = byte;
        awaiting_ &= ~unsigned{DataSize};
        return true;
    case SetParity:
        remote_.parity = byte;
        awaiting_ &= ~unsigned{ParityBit};
        return true;
    case SetStopSize:
        remote_.stopSize = byte;
        awaiting_ &= ~unsigned{StopSizeBit};
        return true;
    case SetControl:
        return takeControl(byte);
    case NotifyModemState:
        remote_.modemState = byte;
        return true;
    case NotifyLineState:
        remote_.lineState = byte;
        return true;
    case SetModemStateMask:
    case SetLineStateMask:
    case PurgeData:
        return true;
    default:
        return false;
    }
}

bool ComPortClient::takeControl(std::uint8_t value)
{
    switch (value) {
    case FlowNone:
    case FlowXonXoff:
    case FlowHardware:
        remote_.flow = value;
        awaiting_ &= ~unsigned{Flow};
        return true;
    case BreakOn:
    case BreakOff:
        remote_.breakOn = value == BreakOn;
        return true;
    case DtrOn:
    case DtrOff:
        remote_.dtr = value == DtrOn;
        return true;
    case RtsOn:
    case RtsOff:
        remote_.rts = value == RtsOn;
        return true;
    default:
        // Inbound flow and the other choices are not ours to ask for; a server may still say.
        return value <= 19;
    }
}
