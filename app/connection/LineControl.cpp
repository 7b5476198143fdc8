#include "app/connection/LineControl.h"

#include "app/connection/PortConnection.h"
#include "devices/Device.h"
#include "serial/ModemLines.h"
#include "serial/PortOptions.h"
#include "serial/SerialController.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <cstring>

namespace {

std::string lineFailure(const Device& device, const std::string& what, int error)
{
    return std::string(device.getAddr()) + ": " + what + " failed: " + std::strerror(error);
}

} // namespace

LineControl::LineControl(PortConnection& connection, std::function<void(const std::string&)> status,
                         std::function<void()> changed)
    : connection_(connection), status_(std::move(status)), changed_(std::move(changed))
{
}

LineControl::~LineControl()
{
    for (const std::shared_ptr<Timer>& timer : {breakEnd_, pulseEnd_}) {
        if (timer)
            timer->invalidate();
    }
}

LineControl::LineState LineControl::read()
{
    LineState state;
    Device* device = connection_.enabledDevice();
    if (device)
        state.asserted = (device->getDtr() ? ModemLines::Dtr : 0u) | (device->getRts() ? ModemLines::Rts : 0u);
    const std::unique_ptr<ModemLines> lines = connection_.serial().modemLines(device);
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

bool LineControl::poll()
{
    LineState state = read();
    read_ = source();
    if (state == shown_)
        return false;
    shown_ = std::move(state);
    changed_();
    return true;
}

LineControl::Source LineControl::source()
{
    const Device* device = connection_.enabledDevice();
    if (!device)
        return Source{"", -1, 0, false, false};
    return Source{device->getAddr(), device->getPortHandle(), device->getFlowFlag(), device->getDtr(), device->getRts()};
}

void LineControl::follow()
{
    if (source() != read_) {
        shown_ = read();
        read_ = source();
    }
}

void LineControl::setDtr(bool on)
{
    setLine(ModemLines::Dtr, on);
}

void LineControl::setRts(bool on)
{
    setLine(ModemLines::Rts, on);
}

void LineControl::setLine(unsigned line, bool on)
{
    Device* device = connection_.enabledDevice();
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
        status_("Hardware flow control drives RTS.");
    else if (const auto lines = connection_.serial().modemLines(device); lines && !lines->set(line, on, error))
        status_(lineFailure(*device, (on ? "Raising " : "Dropping ") + std::string(rts ? "RTS" : "DTR"), error));
    poll();
}

void LineControl::sendBreak()
{
    startTimer(breakEnd_, breakSeconds, true);
}

void LineControl::pulseDtr()
{
    startTimer(pulseEnd_, pulseSeconds, false);
}

void LineControl::endAll()
{
    for (const std::shared_ptr<Timer>& timer : {breakEnd_, pulseEnd_}) { // copies: firing resets the members
        if (timer)
            timer->fire();
    }
}

bool LineControl::startTimer(std::shared_ptr<Timer>& timer, double seconds, bool isBreak)
{
    Device* device = connection_.enabledDevice();
    const auto lines = connection_.serial().modemLines(device);
    if (!lines || (timer && timer->isValid()))
        return false; // no port, or the last one still runs
    int error = 0;
    const bool started = isBreak ? lines->setBreak(true, error) : lines->set(ModemLines::Dtr, false, error);
    if (!started) {
        status_(lineFailure(*device, isBreak ? "Sending a break" : "Pulsing DTR", error));
        return false;
    }
    const std::string name = device->getAddr();
    const int descriptor = device->getPortHandle();
    timer = Timer::timerWithTimeInterval(
        seconds, [this, &timer, name, descriptor, isBreak](Timer&) { endTimer(timer, name, descriptor, isBreak); },
        false);
    RunLoop::currentRunLoop().addTimer(timer);
    poll();
    return true;
}

void LineControl::endTimer(std::shared_ptr<Timer>& timer, const std::string& name, int descriptor, bool isBreak)
{
    timer.reset();
    // A port closed meanwhile ended the break and raised DTR by itself on reopening.
    Device* device = connection_.find(name);
    if (!device || device->getPortHandle() != descriptor)
        return;
    int error = 0;
    if (const auto lines = connection_.serial().modemLines(device)) {
        if (isBreak)
            lines->setBreak(false, error);
        else if (device->getDtr())
            lines->set(ModemLines::Dtr, true, error);
    }
    poll();
}
