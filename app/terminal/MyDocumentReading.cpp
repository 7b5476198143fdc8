// Reading: the tick, what the window hears from its device, the receive view, and a device
// that stops answering.
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"

#include "app/connection/PortPump.h"
#include "app/text/filterString.h"
#include "devices/Device.h"
#include "toolkit/Log.h"

#include <cstring>
#include <iostream>

void MyDocument::update()
{
    ticks_.wake(); // ticked while asleep: someone wants it awake
    Device* device = getEnabledDevice();
    if (device)
        listenTo(*device);
    tickCapture();
    // Another window may have changed or reopened the shared device.
    if (settingsFor(device) != shownSettings_)
        stateChanged();
    // Lost output is news the user must get even when the device goes away in the same tick.
    std::string lostOutput;
    if (device) {
        if (const auto [error, dropped] = device->takeWriteFailure(); error != 0) {
            lostOutput = std::string("Sending to ") + device->getAddr() + " failed: " + std::strerror(error) + ". " +
                         std::to_string(dropped) + " unsent bytes were dropped.";
            setStatus(lostOutput);
        }
    }

    if (!readingEnabled) {
        ticks_.idle();
        showTraffic(device);
        return;
    }
    if (!device) {
        // A rescan this window did not hear of took the device out of the list.
        startWaiting(enabledName_);
        return;
    }
    // Every window reading a device that failed waits for it, not only the first to notice.
    if (const int error = device->getReadError()) {
        showReceived(device);
        deviceGone(*device, error, lostOutput);
        return;
    }
    if (device->getPortHandle() == -1) {
        disableReading();
        setStatus(std::string("The port of ") + device->getAddr() +
                  " was closed by another window, or the device went away. Reading is off.");
        return;
    }

    // The port is read as data comes; what a slow stream left waiting is read now.
    PortPump::resume(*device);
    if (const int error = device->getReadError()) {
        showReceived(device);
        deviceGone(*device, error, lostOutput);
        return;
    }
    PortPump::flushOutput(*device);

    const Shown current = shownFor(device);
    // Data that came keeps the ticks going; showing another device's buffer is no activity.
    const bool arrived = receiveShown_ && current.name == shownReceive_.name && current.recvCount != shownReceive_.recvCount;
    if (!receiveShown_ || current != shownReceive_)
        showReceived(device);
    // A paused port is read by the ticks alone, so they may not stop while it is paused.
    const Port* port = device->getPort();
    if (arrived || serial->pendingBytes(device) > 0 || (port && port->isReadablePaused()))
        ticks_.busy();
    else
        ticks_.idle();
    showTraffic(device);
}

void MyDocument::listenTo(Device& device)
{
    if (!device.hasListener(this))
        device.addListener(this, [this, &device](std::string_view bytes) {
            if (bytes.empty()) // the record may be about to go; a reconnect shows what it had
                keptReceived_ = {device.getAddr(), device.getRecvBuf(), device.getRecvCount()};
            captureNews(device, bytes); // in the same read: a capture never misses a byte
            deviceNews(bytes);
        });
}

void MyDocument::deviceNews(std::string_view bytes)
{
    if (closed_)
        return;
    const bool wasIdle = !ticks_.isTicking() ||
                         std::chrono::steady_clock::now() - lastShown_ >= std::chrono::duration<double>(TickScheduler::interval);
    ticks_.wake();
    // The first bytes after a quiet spell show at once; a stream shows on the ticks.
    if (!bytes.empty() && wasIdle && readingEnabled) {
        if (Device* device = getEnabledDevice())
            showReceived(device);
    }
}

void MyDocument::readToggleClicked(SegmentedControl& sender)
{
    if (sender.selectedSegment() == 1)
        enableReading();
    else if (waiting_)
        stopWaiting();
    else
        disableReading();
    logLine("INTERFACE: TOGGLED read");
}

void MyDocument::enableReading()
{
    if (waiting_) {
        // Reading on while waiting: try the device now, if it is listed.
        Device* listed = findDevice(waiting_->name, nullptr);
        if (!listed || !reconnect(*listed)) {
            controls.readToggle.setSelectedSegment(0);
            stateChanged();
        }
        return;
    }
    Device* device = getEnabledDevice();
    if (!device) {
        readingEnabled = false;
        controls.readToggle.setSelectedSegment(0);
        setStatus("No serial device found. Connect one and press refresh.");
        return;
    }
    readingEnabled = true;
    controls.readToggle.setSelectedSegment(1);
    if (device->getPortHandle() == -1 && !openEnabled(*device)) {
        disableReading();
        return;
    }
    device->addReader(this);
    listenTo(*device);
    PortPump::startReading(*device);
    stateChanged();
}

void MyDocument::disableReading()
{
    readingEnabled = false;
    controls.readToggle.setSelectedSegment(0);
    if (Device* device = getEnabledDevice())
        leaveDevice(*device);
    stateChanged();
}

void MyDocument::updateRecieveTF(const char* data, std::size_t count)
{
    Device* device = getEnabledDevice();
    if (data && device)
        device->appendRecvBuf(data, count);
    showReceived(device);
}

void MyDocument::showReceived(Device* device)
{
    lastShown_ = std::chrono::steady_clock::now();
    static const std::u16string nothing;
    const std::u16string& buffer = device ? device->getRecvBuf() : nothing;
    const Shown now = shownFor(device);
    // The bytes shown last time that are still in the buffer lead it: the view keeps the
    // user's selection and reading place on them while older ones fall off the front.
    std::size_t keptBytes = 0;
    if (receiveShown_ && viewType == shownViewType_ && now.name == shownReceive_.name
        && now.recvCount >= shownReceive_.recvCount) {
        const std::uint64_t added = now.recvCount - shownReceive_.recvCount;
        if (added < buffer.size())
            keptBytes = std::min(buffer.size() - static_cast<std::size_t>(added), shownReceive_.recvSize);
    }
    std::size_t kept = 0;
    AttributedText text = filterString(buffer, viewType, keptBytes, kept, textEncoding_);
    // One change: the new text and the request to keep to its end (a held view ignores it).
    controls.recieveTF.rollAttributedString(std::move(text), kept, true);
    shownReceive_ = now;
    shownViewType_ = viewType;
    receiveShown_ = true;
}

MyDocument::Shown MyDocument::shownFor(const Device* device) const
{
    if (!device)
        return Shown{};
    return Shown{device->getAddr(), device->getRecvCount(), device->getRecvBuf().size()};
}

MyDocument::Settings MyDocument::settingsFor(const Device* device) const
{
    if (!device)
        return Settings{};
    return Settings{device->getAddr(), device->getBaud(), device->getPacketFlag(), device->getFlowFlag(),
                    device->getPortHandle() != -1, device->getIdentity(), device->getDtr(), device->getRts()};
}

void MyDocument::set_RecieveTF(AttributedText text)
{
    controls.recieveTF.setAttributedString(std::move(text));
    controls.recieveTF.scrollRangeToVisible(TextRange{controls.recieveTF.length(), 0});
}

void MyDocument::clearRecv(Control&)
{
    if (Device* device = getEnabledDevice())
        device->clearRecvBuffer();
    keptReceived_ = {};
    controls.recieveTF.setAttributedString(AttributedText());
    receiveShown_ = false;
}

void MyDocument::deviceGone(Device& device, int error, const std::string& lostOutput)
{
    const std::string name = device.getAddr();
    std::string lost = lostOutput;
    if (const std::size_t queued = serial->pendingBytes(&device); lost.empty() && queued > 0)
        lost = std::to_string(queued) + " unsent bytes were dropped.";
    std::cerr << "serialterm: " << name << " stopped answering (" << std::strerror(error) << ")\n";
    // The first window to notice closes the port for all; the others find it closed.
    if (device.getPort())
        serial->closePort(&device);
    startWaiting(name);
    if (!lost.empty())
        setStatus(status_ + ". " + lost);
}
