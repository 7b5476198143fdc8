#include "app/connection/PortConnection.h"

#include "app/connection/PortPump.h"
#include "app/connection/SettingTitles.h"
#include "app/connection/openDevice.h"
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
      wait_([this] { retry(); }), reporter_(stream)
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

Device* PortConnection::find(std::string_view name, int* index)
{
    for (int i = 0; i < devices_.getNumDevices(); ++i) {
        Device* device = devices_.getDeviceAtIndex(i);
        if (name == device->getAddr()) {
            if (index)
                *index = i;
            return device;
        }
    }
    return nullptr;
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
    devices_.addObserver(this, [this] { listChanged(); });
    devices_.watchFolder();
    rescan();
}

void PortConnection::rescan()
{
    ownRescan_ = true;
    devices_.rescan();
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
        device = devices_.getDeviceAtIndex(0);
    }
    enabledIndex_ = index;
    enabledName_ = device ? device->getAddr() : "";
    if (!device)
        tell("No serial device found. Connect one and press refresh.");
    else if (ownRescan_ && (device->getAddr() == remembered || remembered.empty()))
        tell("");
    events_.changed();
}

bool PortConnection::open(Device& device)
{
    std::string status;
    const bool opened = openDevice(*serial_, device, status);
    tell(status);
    if (!opened)
        Stderr::line(status);
    return opened;
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
    reading_ = true;
    events_.reading(true);
    if (device->getPortHandle() == -1 && !open(*device)) {
        disableReading();
        return;
    }
    device->addReader(this);
    listenTo(*device);
    PortPump::startReading(*device);
    events_.changed();
}

void PortConnection::disableReading()
{
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
    bool listed = false;
    for (int i = 0; i < devices_.getNumDevices(); ++i) {
        Device* record = devices_.getDeviceAtIndex(i);
        if (title == record->getAddr()) {
            record->setEnabledTrue();
            enabledIndex_ = i;
            enabledName_ = title;
            listed = true;
        } else {
            record->setEnabledFalse();
        }
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
    if (device->getPortHandle() != -1 || open(*device))
        enableReading();
    else
        disableReading();
    tellAlso(dropped);
    events_.changed();
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
    const std::string dropped = closePort(*device);
    if (open(*device))
        enableReading();
    else
        disableReading();
    tellAlso(dropped);
    return true;
}

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
    std::string status;
    if (!wait_.reopen(device, *serial_, devices_.identifies(), status)) {
        tell(status);
        return false;
    }
    const std::string name = wait_.wanted().name;
    wait_.stop();
    enabledName_ = name;
    enableReading();
    tell(name + " reconnected" + (status.empty() ? "" : "; " + status));
    return true;
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
    wait_.stop();
    reading_ = false;
    if (Device* device = enabledDevice())
        leave(*device);
    // No record, and not the list, may call back into a closed window.
    devices_.removeObserver(this);
    for (int i = 0; i < devices_.getNumDevices(); ++i)
        devices_.getDeviceAtIndex(i)->removeListener(this);
}
