// Devices that come and go: the device pop-up follows every scan of the shared list, and a
// window whose device went away while it was read waits for it under its name, with its
// settings, and reopens it when it is back, unless another adapter took the name.
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"

#include "app/connection/describeOpenFailure.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <cerrno>

void MyDocument::deviceListChanged()
{
    if (closed_)
        return;
    DeviceList& list = DeviceList::sharedDeviceList();
    controls.devicePU.removeAllItems();
    for (const std::string& name : list.scannedNames())
        controls.devicePU.addItemWithTitle(name);

    const std::string remembered = enabledName_;
    int index = 0;
    Device* device = remembered.empty() ? nullptr : findDevice(remembered, &index);
    if (!device && !waiting_ && readingEnabled)
        startWaiting(remembered);
    if (waiting_) {
        if (device)
            reconnect(*device);
        stateChanged();
        return;
    }
    if (!device) {
        // No device before, or it has gone while not being read: take the first of the list.
        index = 0;
        device = list.getDeviceAtIndex(0);
    }
    enabledDevice = index;
    enabledName_ = device ? device->getAddr() : "";
    if (!device)
        setStatus("No serial device found. Connect one and press refresh.");
    else if (ownRescan_ && (device->getAddr() == remembered || remembered.empty()))
        setStatus("");
    stateChanged();
}

void MyDocument::startWaiting(const std::string& name)
{
    Settings wanted = kept_;
    if (Device* device = getEnabledDevice()) {
        wanted = settingsFor(device);
        leaveDevice(*device);
    }
    wanted.name = name;
    wanted.portOpen = false;
    waiting_ = wanted;
    enabledName_ = name;
    readingEnabled = false;
    controls.readToggle.setSelectedSegment(0);
    setStatus(name + " was disconnected; waiting for it to come back");
    // A hang-up may leave the name listed: nothing in the folder will say when it is back.
    cancelRetry();
    retries_ = 0;
    scheduleRetry();
}

bool MyDocument::reconnect(Device& device)
{
    const Settings wanted = *waiting_;
    // Only an adapter known both then and now can be told to be another one.
    const std::string& identity = device.getIdentity();
    if (!wanted.identity.empty() && !identity.empty() && identity != wanted.identity) {
        setStatus("A different device (" + identity + ") now has the name " + wanted.name + "; still waiting for " +
                  wanted.identity);
        return false;
    }
    if (!wanted.identity.empty() && identity.empty() && DeviceList::sharedDeviceList().identifies()) {
        // Its by-id link may be a moment behind the node: the link's arrival rescans, and the
        // retries look again.
        setStatus(wanted.name + " is back, but not yet known as " + wanted.identity + "; still waiting for it");
        scheduleRetry();
        return false;
    }
    // Another window waiting for it may have reopened it already: that port is joined.
    std::string shortfall;
    if (device.getPortHandle() == -1) {
        // The crash or boot output the user waited for stays in view, and more follows it.
        if (keptReceived_.name == wanted.name)
            device.adoptReceived(keptReceived_.buffer, keptReceived_.count);
        device.setBaud(wanted.baud);
        device.setPacketFlag(wanted.packet);
        device.setFlowFlag(wanted.flow);
        device.setDtr(wanted.dtr);
        device.setRts(wanted.rts);
        if (!serial->openPort(&device)) {
            // Not ready yet, or gone again. Busy is the usual passing state (ModemManager
            // probes every new modem-like port); anything else the user may have to fix.
            const int error = serial->lastError();
            if (error == EBUSY)
                setStatus(describeBusyPort(wanted.name, serial->portHolder()) + "; waiting for it to be free");
            else
                setStatus(describeOpenFailure(device.path(), error) + " Still waiting for " + wanted.name +
                          " and trying again.");
            scheduleRetry();
            return false;
        }
        shortfall = rateShortfall(device); // a device may refuse the rate it took before
    }
    cancelRetry();
    waiting_.reset();
    enabledName_ = wanted.name;
    enableReading();
    setStatus(wanted.name + " reconnected" + (shortfall.empty() ? "" : "; " + shortfall));
    return true;
}

namespace {

// Most passing reasons pass within a second or two; after that a slow pace costs nothing.
double retryDelay(int attempt)
{
    constexpr double first[] = {0.5, 1.0, 2.0};
    return attempt < 3 ? first[attempt] : 5.0;
}

} // namespace

void MyDocument::scheduleRetry()
{
    if (closed_ || !waiting_ || retry_ || !findDevice(waiting_->name, nullptr))
        return;
    retry_ = Timer::timerWithTimeInterval(retryDelay(retries_++), [this](Timer&) {
        retry_.reset();
        // Looked up again: a scan meanwhile may have replaced the record.
        if (Device* device = waiting_ && !closed_ ? findDevice(waiting_->name, nullptr) : nullptr)
            reconnect(*device);
    }, false);
    RunLoop::currentRunLoop().addTimer(retry_);
}

void MyDocument::cancelRetry()
{
    if (retry_)
        retry_->invalidate();
    retry_.reset();
}

void MyDocument::stopWaiting()
{
    cancelRetry();
    waiting_.reset();
    setStatus("");
    deviceListChanged();
}

std::string MyDocument::waitingTitle() const
{
    return waiting_ ? waiting_->name + " (disconnected)" : std::string();
}

bool MyDocument::storeWhileWaiting(const std::function<void(Device&)>& store)
{
    if (!waiting_)
        return false;
    Device scratch;
    scratch.setBaud(waiting_->baud);
    scratch.setPacketFlag(waiting_->packet);
    scratch.setFlowFlag(waiting_->flow);
    store(scratch);
    waiting_->baud = scratch.getBaud();
    waiting_->packet = scratch.getPacketFlag();
    waiting_->flow = scratch.getFlowFlag();
    stateChanged();
    return true;
}
