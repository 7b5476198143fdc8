// Settling a network port and setting the remote one: the telnet negotiation, RFC 2217's
// settings as the record has them, and the modem lines.
#include "serial/NetworkPort.h"

#include "devices/CharacterFormat.h"
#include "serial/ModemLines.h"
#include "serial/PortOptions.h"
#include "serial/endWatch.h"
#include "toolkit/ReadWatch.h"
#include "toolkit/RunLoop.h"

#include <termios.h>

namespace {

// CTS, DSR, RI and DCD themselves: their change bits would only say the same twice.
constexpr std::uint8_t notifiedLines = 0xF0;

std::uint8_t parityCode(CharacterFormat::Parity parity)
{
    using Parity = CharacterFormat::Parity;
    switch (parity) {
    case Parity::Odd: return ComPortClient::ParityOdd;
    case Parity::Even: return ComPortClient::ParityEven;
    case Parity::Mark: return ComPortClient::ParityMark;
    case Parity::Space: return ComPortClient::ParitySpace;
    case Parity::None: break;
    }
    return ComPortClient::ParityNone;
}

std::uint8_t flowCode(int flowFlag)
{
    constexpr std::uint8_t codes[] = {ComPortClient::FlowNone, ComPortClient::FlowXonXoff, ComPortClient::FlowHardware};
    return flowFlag >= 0 && flowFlag < 3 ? codes[flowFlag] : std::uint8_t{ComPortClient::FlowNone};
}

// The same SETTING lines a local port prints, from the same code: the options are worked out
// on a scratch value that nothing applies.
void logSettingLines(const PortSettings& settings)
{
    termios scratch{};
    PortOptions::apply(scratch, settings.baud, settings.packet, settings.flow);
}

} // namespace

void NetworkPort::settle(const PortSettings& settings, std::function<void(std::string failure)> ready)
{
    settings_ = settings;
    logSettingLines(settings);
    if (!telnet_) {
        ready("");
        return;
    }
    ready_ = std::move(ready);
    sendControl(telnet_->start());
    settleWatch_ = ReadWatch::watchDescriptor(socket_.get(), [this] { readWhileSettling(); });
    RunLoop::currentRunLoop().addWatch(settleWatch_);
}

std::string NetworkPort::stopSettling()
{
    endWatch(settleWatch_);
    ready_ = nullptr;
    if (telnet_ && !telnet_->optionsSettled())
        return address_.hostAndPort() + " did not answer the telnet negotiation; is it a telnet server? (tcp:// takes raw bytes)";
    // A server that agreed but is slow to answer the settings is still usable; its rate stays unknown.
    if (address_.setsSerialPort() && !settingsSent_)
        return address_.hostAndPort() + " did not agree to set the serial port (RFC 2217)";
    return "";
}

void NetworkPort::readWhileSettling()
{
    char chunk[4096];
    for (;;) {
        const long got = receive(chunk, sizeof chunk, kept_);
        if (got < 0) {
            endWatch(settleWatch_);
            if (auto ready = std::move(ready_))
                ready(address_.hostAndPort() + " closed the connection while it was being set up");
            return;
        }
        if (got == 0)
            break;
    }
    checkSettled();
}

void NetworkPort::checkSettled()
{
    if (!ready_ || !telnet_)
        return;
    if (address_.setsSerialPort()) {
        if (telnet_->comPortRefused()) {
            endWatch(settleWatch_);
            const std::function<void(std::string)> ready = std::move(ready_);
            ready(address_.hostAndPort() + " refused to set the serial port (no RFC 2217 COM-PORT-OPTION); open it as telnet://" +
                  address_.hostAndPort() + " or tcp://" + address_.hostAndPort());
            return;
        }
        if (!telnet_->comPortAgreed())
            return;
        if (!settingsSent_)
            sendSettings();
        if (!comPort_.settled())
            return;
    }
    if (!telnet_->optionsSettled())
        return;
    endWatch(settleWatch_);
    const std::function<void(std::string)> ready = std::move(ready_);
    ready("");
}

void NetworkPort::sendSettings()
{
    settingsSent_ = true;
    const CharacterFormat format = CharacterFormat::fromFlag(settings_.packet);
    sendSubnegotiation(comPort_.setBaudRate(static_cast<std::uint32_t>(PortOptions::rateFor(settings_.baud))));
    sendSubnegotiation(comPort_.setDataSize(static_cast<std::uint8_t>(format.dataBits)));
    sendSubnegotiation(comPort_.setParity(parityCode(format.parity)));
    sendSubnegotiation(comPort_.setStopSize(format.stopBits == 2 ? ComPortClient::TwoStopBits : ComPortClient::OneStopBit));
    sendSubnegotiation(comPort_.setControl(flowCode(settings_.flow)));
    // As a local port's opening puts them; under hardware flow the server's driver owns RTS.
    setLines(ModemLines::Dtr, settings_.dtr);
    if (!PortOptions::driverDrivesRts(settings_.flow))
        setLines(ModemLines::Rts, settings_.rts);
    sendSubnegotiation(ComPortClient::setModemStateMask(notifiedLines));
}

int NetworkPort::runningRate() const
{
    const auto& baud = comPort_.remote().baud;
    return baud && *baud <= 0x7FFFFFFF ? static_cast<int>(*baud) : 0;
}

unsigned NetworkPort::lines() const
{
    const ComPortClient::Remote& remote = comPort_.remote();
    unsigned lines = 0;
    if (remote.dtr.value_or((wantedLines_ & ModemLines::Dtr) != 0))
        lines |= ModemLines::Dtr;
    if (remote.rts.value_or((wantedLines_ & ModemLines::Rts) != 0))
        lines |= ModemLines::Rts;
    const std::uint8_t state = remote.modemState.value_or(0);
    constexpr std::pair<std::uint8_t, unsigned> bits[] = {{ComPortClient::Cts, ModemLines::Cts},
        {ComPortClient::Dsr, ModemLines::Dsr}, {ComPortClient::Dcd, ModemLines::Dcd}, {ComPortClient::Ri, ModemLines::Ri}};
    for (const auto& [remoteBit, line] : bits)
        if (state & remoteBit)
            lines |= line;
    return lines;
}

void NetworkPort::setLines(unsigned lines, bool on)
{
    if (lines & ModemLines::Dtr)
        sendSubnegotiation(comPort_.setControl(on ? ComPortClient::DtrOn : ComPortClient::DtrOff));
    if (lines & ModemLines::Rts)
        sendSubnegotiation(comPort_.setControl(on ? ComPortClient::RtsOn : ComPortClient::RtsOff));
    wantedLines_ = on ? (wantedLines_ | lines) : (wantedLines_ & ~lines);
}

void NetworkPort::setBreak(bool on)
{
    sendSubnegotiation(comPort_.setControl(on ? ComPortClient::BreakOn : ComPortClient::BreakOff));
}

void NetworkPort::purgeRemote(ComPortClient::Purge which)
{
    sendSubnegotiation(ComPortClient::purgeData(which));
}

