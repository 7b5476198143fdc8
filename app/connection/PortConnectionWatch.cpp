// The watch over the port a window reads, at each of its ticks, and the wait for a device
// that went away while being read: the reconnect, with the settings it had, when it is back.
#include "app/connection/PortConnection.h"

#include "app/connection/PortPump.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "serial/SerialController.h"
#include "toolkit/Stderr.h"

#include <cstring>

void PortConnection::startWaiting(const std::string& name)
{
    DeviceWait::Wanted wanted{name, kept_.settings, kept_.identity};
    if (Device* device = enabledDevice()) {
        wanted.settings = device->getSettings();
        wanted.identity = device->getIdentity();
        leave(*device);
    }
    wait_.start(std::move(wanted));
    enabledName_ = name;
    reading_ = false;
    events_.reading(false);
    tell(name + " was disconnected; waiting for it to come back");
    // A hang-up may leave the name listed: nothing in the folder will say when it is back.
    if (find(name))
        wait_.scheduleRetry();
}

void PortConnection::retry()
{
    if (closed_ || !wait_.isWaiting())
        return;
    // Looked up again each time: a scan meanwhile may have replaced the record.
    if (Device* device = find(wait_.wanted().name))
        reconnect(*device);
}

bool PortConnection::reconnect(Device& device)
{
    if (opening_.isConnecting())
        return false;
    const std::string name = wait_.wanted().name;
    wait_.reopen(device, opening_, devices_.list().identifies(), [this, name](bool opened, const std::string& status) {
        if (!wait_.isWaiting() || wait_.wanted().name != name)
            return;
        if (!opened) {
            tell(status);
            return;
        }
        wait_.stop();
        enabledName_ = name;
        enableReading();
        tell(name + " reconnected" + (status.empty() ? "" : "; " + status));
    });
    // A network port answers later.
    return !wait_.isWaiting();
}

void PortConnection::stopWaiting()
{
    wait_.stop();
    tell("");
    listChanged();
}

PortConnection::Tick PortConnection::tick()
{
    Device* device = enabledDevice();
    if (device)
        listenTo(*device);
    // A port that failed is told gone with its error before the window lets go of it.
    reporter_.follow(device);
    // Lost output is news the user must get even when the device goes away in the same tick.
    std::string lostOutput;
    if (device) {
        if (const auto [error, dropped] = device->takeWriteFailure(); error != 0) {
            lostOutput = std::string("Sending to ") + device->getAddr() + " failed: " + std::strerror(error) + ". " +
                         std::to_string(dropped) + " unsent bytes were dropped.";
            tell(lostOutput);
        }
    }
    if (!reading_)
        return Tick::NotReading;
    if (!device) {
        // A rescan this window did not hear of took the device out of the list.
        startWaiting(enabledName_);
        return Tick::Stopped;
    }
    // Every window reading a device that failed waits for it, not only the first to notice.
    if (const int error = device->getReadError()) {
        gone(*device, error, lostOutput);
        return Tick::Stopped;
    }
    // A network port on its way has no descriptor yet: it is not gone, and nothing waits in it.
    if (opening_.isConnecting())
        return Tick::Reading;
    if (device->getPortHandle() == -1) {
        disableReading();
        tell(std::string("The port of ") + device->getAddr() +
             " was closed by another window, or the device went away. Reading is off.");
        return Tick::Stopped;
    }
    // The port is read as data comes; what a slow stream left waiting is read now.
    PortPump::resume(*device);
    if (const int error = device->getReadError()) {
        gone(*device, error, lostOutput);
        return Tick::Stopped;
    }
    PortPump::flushOutput(*device);
    return Tick::Reading;
}

bool PortConnection::portBusy()
{
    Device* device = enabledDevice();
    if (!device)
        return false;
    // A paused port is read by the ticks alone, so they may not stop while it is paused.
    const Port* port = device->getPort();
    return serial_->pendingBytes(device) > 0 || (port && port->isReadablePaused());
}

void PortConnection::gone(Device& device, int error, const std::string& lostOutput)
{
    events_.lastLook(device);
    const std::string name = device.getAddr();
    std::string lost = lostOutput;
    if (const std::size_t queued = serial_->pendingBytes(&device); lost.empty() && queued > 0)
        lost = std::to_string(queued) + " unsent bytes were dropped.";
    Stderr::line(name + " stopped answering (" + std::strerror(error) + ")");
    // The first window to notice closes the port for all; the others find it closed.
    if (device.getPort())
        serial_->closePort(&device);
    startWaiting(name);
    if (!lost.empty())
        tell(told_ + ". " + lost);
}
