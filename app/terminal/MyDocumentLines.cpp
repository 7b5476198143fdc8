// Line control: any baud rate and character format beside the pop-ups' own, and the modem
// lines. Rates and formats go into the record and reopen the port like a pop-up choice; the
// lines are driven through the serial layer's ModemLines, never by ioctls here.
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"

#include "devices/CharacterFormat.h"
#include "devices/Device.h"
#include "serial/PortOptions.h"
#include "toolkit/Log.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <cstring>

namespace {

std::string lineFailure(const Device& device, const std::string& what, int error)
{
    return std::string(device.getAddr()) + ": " + what + " failed: " + std::strerror(error);
}

} // namespace

void MyDocument::chooseBaudRate(int rate)
{
    if (rate < lowestRate || rate > highestRate) {
        setStatus("A rate must be a whole number from " + std::to_string(lowestRate) + " to " +
                  std::to_string(highestRate) + " baud.");
        return;
    }
    if (applySetting([rate](Device& device) { device.setBaud(rate); }))
        logLinef("INTERFACE: SET_BAUD TO: %d  clicked", rate);
}

void MyDocument::chooseCharacterFormat(const CharacterFormat& format)
{
    using Parity = CharacterFormat::Parity;
    if ((format.parity == Parity::Mark || format.parity == Parity::Space) && !SerialController::hasMarkSpaceParity()) {
        setStatus("This system has no mark or space parity.");
        return;
    }
    const int flag = format.toFlag();
    if (applySetting([flag](Device& device) { device.setPacketFlag(flag); }))
        logLinef("INTERFACE: SET_PACKET: %d  clicked", flag);
}

std::string MyDocument::packetTitle(int packetFlag) const
{
    if (CharacterFormat::isCustomFlag(packetFlag))
        return CharacterFormat::fromFlag(packetFlag).title();
    return settingTitle(packetTypes, packetFlag);
}

std::string MyDocument::rateShortfall(const Device& device) const
{
    const int wanted = SerialController::requestedRate(device.getBaud());
    const int running = serial->runningRate();
    if (running == 0 || running == wanted)
        return "";
    return std::string(device.getAddr()) + " refused " + std::to_string(wanted) + " baud; it runs at " +
           std::to_string(running);
}

MyDocument::LineState MyDocument::lineState()
{
    LineState state;
    Device* device = getEnabledDevice();
    if (device)
        state.asserted = (device->getDtr() ? ModemLines::Dtr : 0u) | (device->getRts() ? ModemLines::Rts : 0u);
    const std::unique_ptr<ModemLines> lines = serial->modemLines(device);
    int error = 0;
    unsigned asserted = 0;
    if (!lines)
        state.why = "Open the port to use its modem lines";
    else if (!lines->get(asserted, error))
        state.why = ModemLines::meansNoLines(error) ? "This port has no modem lines"
                                                    : std::string("The modem lines cannot be read: ") + std::strerror(error);
    else {
        state.usable = true;
        state.asserted = asserted;
        state.rtsUsable = !PortOptions::driverDrivesRts(device->getFlowFlag());
    }
    state.rtsWhy = state.usable && !state.rtsUsable ? "Hardware flow control drives RTS" : state.why;
    return state;
}

bool MyDocument::pollModemLines()
{
    LineState state = lineState();
    linesRead_ = linesSource();
    if (state == shownLines_)
        return false;
    shownLines_ = std::move(state);
    stateChanged();
    return true;
}

std::tuple<std::string, int, int, bool, bool> MyDocument::linesSource()
{
    const Device* device = getEnabledDevice();
    if (!device)
        return {"", -1, 0, false, false};
    return {device->getAddr(), device->getPortHandle(), device->getFlowFlag(), device->getDtr(), device->getRts()};
}

void MyDocument::followLines()
{
    if (linesSource() != linesRead_) {
        shownLines_ = lineState();
        linesRead_ = linesSource();
    }
}

void MyDocument::setDtr(bool on)
{
    setLine(ModemLines::Dtr, on);
}

void MyDocument::setRts(bool on)
{
    setLine(ModemLines::Rts, on);
}

void MyDocument::setLine(unsigned line, bool on)
{
    Device* device = getEnabledDevice();
    if (!device)
        return;
    const bool rts = line == ModemLines::Rts;
    if (rts)
        device->setRts(on);
    else
        device->setDtr(on);
    // Under hardware flow control the driver owns RTS; the wish waits for another flow type.
    int error = 0;
    if (rts && PortOptions::driverDrivesRts(device->getFlowFlag()))
        setStatus("Hardware flow control drives RTS.");
    else if (const auto lines = serial->modemLines(device); lines && !lines->set(line, on, error))
        setStatus(lineFailure(*device, (on ? "Raising " : "Dropping ") + std::string(rts ? "RTS" : "DTR"), error));
    pollModemLines();
}

void MyDocument::sendBreak()
{
    startLineTimer(breakEnd_, breakSeconds, true);
}

void MyDocument::pulseDtr()
{
    startLineTimer(pulseEnd_, pulseSeconds, false);
}

bool MyDocument::startLineTimer(std::shared_ptr<Timer>& timer, double seconds, bool isBreak)
{
    Device* device = getEnabledDevice();
    const auto lines = serial->modemLines(device);
    if (!lines || (timer && timer->isValid()))
        return false; // no port, or the last one still runs
    int error = 0;
    const bool started = isBreak ? lines->setBreak(true, error) : lines->set(ModemLines::Dtr, false, error);
    if (!started) {
        setStatus(lineFailure(*device, isBreak ? "Sending a break" : "Pulsing DTR", error));
        return false;
    }
    const std::string name = device->getAddr();
    const int fd = device->getPortHandle();
    timer = Timer::timerWithTimeInterval(
        seconds, [this, &timer, name, fd, isBreak](Timer&) { endLineTimer(timer, name, fd, isBreak); }, false);
    RunLoop::currentRunLoop().addTimer(timer);
    pollModemLines();
    return true;
}

void MyDocument::endLineTimer(std::shared_ptr<Timer>& timer, const std::string& name, int fd, bool isBreak)
{
    timer.reset();
    // A port closed meanwhile ended the break and raised DTR by itself on reopening.
    Device* device = findDevice(name, nullptr);
    if (!device || device->getPortHandle() != fd)
        return;
    int error = 0;
    if (const auto lines = serial->modemLines(device)) {
        if (isBreak)
            lines->setBreak(false, error);
        else if (device->getDtr())
            lines->set(ModemLines::Dtr, true, error);
    }
    pollModemLines();
}
