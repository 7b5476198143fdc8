#include "app/connection/PortConnection.h"

#include "app/connection/PortPump.h"
#include "app/connection/SettingTitles.h"
#include "app/connection/sendToDevice.h"
#include "app/stream/ReceivedStream.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "serial/SerialController.h"
#include "toolkit/Log.h"
#include "toolkit/Stderr.h"
#include "toolkit/printableText.h"

#include <cstring>

PortConnection::PortConnection(DeviceList& devices, ReceivedStream& stream, Events events)
    : devices_(devices), stream_(stream), events_(std::move(events)), serial_(std::make_unique<SerialController>()),
      opening_(*serial_, [this](const std::string& text) { tell(text); }), wait_([this] { retry(); }),
      reporter_(stream)
{
}

PortConnection::~PortConnection()
{
    close();
}

Device* PortConnection::enabledDevice()
{
    // While the window waits, a record of that name is not yet its device again.
    if (enabledName_.empty() || wait_.isWaiting())
        return nullptr;
    return find(enabledName_, &enabledIndex_);
}

bool PortConnection::openNetworkPort(const std::string& address, const PortSettings& settings)
{
    std::string error;
    const Device* device = devices_.addNetworkPort(address, settings, error);
    if (!device) {
        tell(error);
        return false;
    }
    const std::string name = device->getAddr();
    events_.listed();
    chooseDevice(name);
    return true;
}

std::optional<PortSettings> PortConnection::settings()
{
    if (wait_.isWaiting())
        return wait_.wanted().settings;
    if (const Device* device = enabledDevice())
        return device->getSettings();
    return std::nullopt;
}

PortConnection::DeviceState PortConnection::stateOf(const Device* device)
{
    if (!device)
        return DeviceState{};
    return DeviceState{device->getAddr(), device->getSettings(), device->getPortHandle() != -1, device->getIdentity()};
}

bool PortConnection::deviceChanged()
{
    return stateOf(enabledDevice()) != seen_;
}

void PortConnection::start()
{
    devices_.list().addObserver(this, [this] { listChanged(); });
    devices_.list().watchFolder();
    rescan();
}

void PortConnection::rescan()
{
    ownRescan_ = true;
    devices_.list().rescan();
    ownRescan_ = false;
}

void PortConnection::listChanged()
{
    if (closed_)
        return;
    events_.listed();
    const std::string remembered = enabledName_;
    int index = 0;
    Device* device = remembered.empty() ? nullptr : find(remembered, &index);
    if (!device && !wait_.isWaiting() && reading_)
        startWaiting(remembered);
    if (wait_.isWaiting()) {
        if (device)
            reconnect(*device);
        events_.changed();
        return;
    }
    if (!device) {
        // No device before, or it has gone while not being read: take the first of the list.
        index = 0;
        device = devices_.list().getDeviceAtIndex(0);
    }
    enabledIndex_ = index;
    enabledName_ = device ? device->getAddr() : "";
    if (!device)
        tell("No serial device found. Connect one and press refresh.");
    else if (ownRescan_ && (device->getAddr() == remembered || remembered.empty()))
        tell("");
    events_.changed();
}

std::string PortConnection::leave(Device& device, bool closeAnyway)
{
    device.removeReader(this);
    // Another window still reading the device keeps its port.
    if (device.hasReaders() && device.getPortHandle() != -1)
        return "";
    if (device.getPortHandle() == -1 && !closeAnyway)
        return "";
    return closePort(device);
}

std::string PortConnection::closePort(Device& device)
{
    const std::size_t unsent = serial_->pendingBytes(&device);
    serial_->closePort(&device);
    if (unsent == 0)
        return "";
    return std::to_string(unsent) + (unsent == 1 ? " byte" : " bytes") + " waiting to go to " + device.getAddr() +
           " were dropped when its port closed.";
}

void PortConnection::tellAlso(const std::string& more)
{
    if (!more.empty())
        tell(told_.empty() ? more : told_ + " " + more);
}

void PortConnection::listenTo(Device& device)
{
    if (device.hasListener(this))
        return;
    device.addListener(this, [this, &device, name = std::string(device.getAddr())](std::string_view bytes, const Moment& at) {
        if (bytes.empty()) // the record may be about to go; a reconnect shows what it had
            wait_.keepReceived(device);
        if (closed_)
            return;
        // A window that moved to another device may still hear the one it left.
        if (!bytes.empty() && enabledName_ == name) {
            // The port's opening is told before its first bytes.
            if (!reporter_.toldOpen())
                follow();
            stream_.deliver(bytes, at);
        }
        events_.news(!bytes.empty());
    });
}

void PortConnection::enableReading()
{
    if (wait_.isWaiting()) {
        // Reading on while waiting: try the device now, if it is listed.
        Device* listed = find(wait_.wanted().name);
        if (!listed || !reconnect(*listed)) {
            events_.reading(false);
            events_.changed();
        }
        return;
    }
    Device* device = enabledDevice();
    if (!device) {
        reading_ = false;
        events_.reading(false);
        tell("No serial device found. Connect one and press refresh.");
        return;
    }
    openAndRead(*device, "");
}

void PortConnection::openAndRead(Device& device, const std::string& dropped)
{
    opening_.cancel();
    reading_ = true;
    events_.reading(true);
    if (device.getPortHandle() != -1) {
        read(device);
        tellAlso(dropped);
        events_.changed();
        return;
    }
    opening_.open(device, [this, dropped, name = std::string(device.getAddr())](bool opened, const std::string& status) {
        // A network port opens later: the window may have moved on meanwhile.
        Device* now = enabledDevice();
        if (!now || now->getAddr() != name)
            return;
        tell(status);
        if (!opened) {
            Stderr::line(status);
            disableReading();
        } else if (reading_) {
            read(*now);
        }
        tellAlso(dropped);
        events_.changed();
    });
    // Reading shows on while a network port connects, as the port is on its way.
    if (opening_.isConnecting())
        events_.changed();
}

void PortConnection::read(Device& device)
{
    device.addReader(this);
    listenTo(device);
    PortPump::startReading(device);
    events_.changed();
}

void PortConnection::disableReading()
{
    opening_.cancel();
    reading_ = false;
    events_.reading(false);
    if (Device* device = enabledDevice())
        tellAlso(leave(*device));
    events_.changed();
}

void PortConnection::toggledOff()
{
    if (wait_.isWaiting())
        stopWaiting();
    else
        disableReading();
}

bool PortConnection::chooseDevice(const std::string& title)
{
    if (wait_.isWaiting()) {
        // The device waited for is still what the window wants; anything else ends the wait.
        if (title == wait_.title())
            return true;
        wait_.stop();
        enabledName_.clear();
    }
    const std::string oldName = enabledName_;
    const int index = devices_.choose(title);
    const bool listed = index >= 0;
    if (listed) {
        enabledIndex_ = index;
        enabledName_ = title;
    }

    Device* device = enabledDevice();
    if (!listed) // another window's rescan took the chosen device out of the list; keep our own
        tell(title + " is no longer connected. Press refresh to update the list.");
    if (!device)
        return listed;
    if (oldName == device->getAddr()) {
        logLinef("Same device as last enabled: %s", printableText(oldName).c_str());
        return listed;
    }
    // Each record owns its port, so the one to close is the old device's own, unless another
    // window is still reading it. The close is asked for even when no port is open, as a
    // device choice always has; its line in the log says so.
    std::string dropped;
    if (Device* old = oldName.empty() ? nullptr : find(oldName)) {
        dropped = leave(*old, true);
        events_.switched();
    }
    // A port another window already has open is joined, not reopened: reopening would drop the
    // modem lines and reset many boards.
    openAndRead(*device, dropped);
    return listed;
}

bool PortConnection::applySetting(const std::function<void(PortSettings&)>& store)
{
    if (wait_.isWaiting()) {
        store(wait_.wanted().settings);
        events_.changed();
        return true;
    }
    Device* device = enabledDevice();
    if (!device) {
        tell("No serial device found. Connect one and press refresh.");
        return false;
    }
    PortSettings settings = device->getSettings();
    store(settings);
    device->setSettings(settings);
    openAndRead(*device, closePort(*device));
    return true;
}

void PortConnection::follow()
{
    Device* device = enabledDevice();
    seen_ = stateOf(device);
    if (device)
        kept_ = seen_;
    reporter_.follow(device);
}

std::string PortConnection::send(std::string_view bytes)
{
    if (Device* device = enabledDevice())
        return sendToDevice(*serial_, *device, bytes);
    return wait_.isWaiting()
               ? wait_.wanted().name + " was disconnected; waiting for it to come back. Nothing was sent."
               : "No serial device to send to. Connect one and press refresh.";
}

void PortConnection::tell(const std::string& text)
{
    told_ = text;
    events_.status(text);
}

void PortConnection::forgetReceived()
{
    wait_.forgetReceived();
}

void PortConnection::close()
{
    if (closed_)
        return;
    closed_ = true;
    opening_.cancel();
    wait_.stop();
    reading_ = false;
    if (Device* device = enabledDevice())
        leave(*device);
    // No record, and not the list, may call back into a closed window.
    devices_.list().removeObserver(this);
    devices_.removeListener(this);
}
