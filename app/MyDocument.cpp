// Start-up, reading, the receive view, the window's life and what it tells the user.
// Device choice and settings are in MyDocumentSettings.cpp, the transmit editor in
// MyDocumentTransmit.cpp.
#include "app/MyDocument.h"
#include "app/TerminalControls.h"

#include "app/describeOpenFailure.h"
#include "app/PortPump.h"
#include "app/filterString.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "toolkit/Log.h"
#include "toolkit/printableText.h"
#include "toolkit/RunLoop.h"

#include <cstring>
#include <iostream>

MyDocument::MyDocument(TerminalControls& outlets)
    : controls(outlets), ticks_([this] { update(); })
{
    logLine("INIT");
    baudRates = {300, 600, 1200, 1800, 2400, 4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200};
    packetTypes = {"none-8-1", "even-7-1", "odd-7-1"};
    flowTypes = {"None", "Xon/Xoff", "Hardware"};
    serial = std::make_unique<SerialController>();
    if (ticks_.isTicking())
        logLine("Started Timer");
}

MyDocument::~MyDocument()
{
    close();
    for (TextView* view : {&controls.sendTF, &controls.recieveTF}) {
        if (view->delegate() == this)
            view->setDelegate(nullptr);
    }
}

void MyDocument::awakeFromNib()
{
    logLine("SETUP");
    controls.devicePU.setPlaceholder("No serial device found");
    refreshDeviceList();
    setTheBaudRateList();
    setPacketList();
    setFlowList();

    controls.sendTF.setDelegate(this);
    adoptSendTF();
    controls.recieveTF.setDelegate(this);
    controls.recieveTF.setEditable(false);

    // Tooltips, in the order the window has always set them.
    TerminalControls& c = controls;
    const std::pair<Control*, const char*> tooltips[] = {
        {&c.sendButton, "Send Data (Tx)   \u2318\u21B5"},
        {&c.sendTF, "Insert data to be sent (Tx) here"},
        {&c.recieveTF, "Recieved data (Rx) text box"},
        {&c.addNonPrint, "Add a non-printable value   \u2318\u21E7\u21B5"},
        {&c.nonPrintTF, "Insert a non-printable value"},
        {&c.addLineButton, "Add 'Line Feed' character   \u2318L"},
        {&c.addTabButton, "Add 'Tab' character   \u2318T"},
        {&c.addNullButton, "Add 'Null' character   \u2318N"},
        {&c.addCRtrnButton, "Add 'Carriage return' character   \u2318R"},
        {&c.clrRecvButton, "Clear recieve buffer"},
        {&c.clrSendButton, "Clear send buffer"},
    };
    for (const auto& [control, text] : tooltips)
        control->setToolTip(text);
    stateChanged();
}

void MyDocument::setTheBaudRateList()
{
    controls.baudRatePU.removeAllItems();
    for (int baud : baudRates)
        controls.baudRatePU.addItemWithTitle(std::to_string(baud));
    controls.baudRatePU.selectItemAtIndex(6);
}

void MyDocument::setPacketList()
{
    controls.packetPU.removeAllItems();
    for (const std::string& title : packetTypes)
        controls.packetPU.addItemWithTitle(title);
}

void MyDocument::setFlowList()
{
    controls.flowPU.removeAllItems();
    for (const std::string& title : flowTypes)
        controls.flowPU.addItemWithTitle(title);
}

void MyDocument::update()
{
    ticks_.wake(); // ticked while asleep: someone wants it awake
    Device* device = getEnabledDevice();
    if (device)
        listenTo(*device);
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
        return;
    }
    if (!device) {
        // Another window's rescan took the device out of the list; its record closed the port.
        disableReading();
        setStatus(enabledName_ + " is no longer connected. Reading is off.");
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
}

void MyDocument::listenTo(Device& device)
{
    if (!device.hasListener(this))
        device.addListener(this, [this](std::string_view bytes) { deviceNews(bytes); });
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
    else
        disableReading();
    logLine("INTERFACE: TOGGLED read");
}

void MyDocument::enableReading()
{
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

Device* MyDocument::getEnabledDevice()
{
    if (enabledName_.empty())
        return nullptr;
    return findDevice(enabledName_, &enabledDevice);
}

Device* MyDocument::findDevice(std::string_view name, int* index)
{
    DeviceList& list = DeviceList::sharedDeviceList();
    for (int i = 0; i < list.getNumDevices(); ++i) {
        Device* device = list.getDeviceAtIndex(i);
        if (name == device->getAddr()) {
            if (index)
                *index = i;
            return device;
        }
    }
    return nullptr;
}

void MyDocument::refreshDeviceList()
{
    controls.devicePU.removeAllItems();
    const std::string remembered = enabledName_;

    DeviceList& list = DeviceList::sharedDeviceList();
    list.refreshDeviceList(controls.devicePU);

    int index = 0;
    Device* device = remembered.empty() ? nullptr : findDevice(remembered, &index);
    if (!device) {
        // No device before, or it has gone: fall back to the first record of the list.
        if (!remembered.empty() && readingEnabled) {
            readingEnabled = false;
            controls.readToggle.setSelectedSegment(0);
            setStatus(remembered + " is no longer connected. Reading is off.");
        }
        index = 0;
        device = list.getDeviceAtIndex(0);
    }
    enabledDevice = index;
    enabledName_ = device ? device->getAddr() : "";
    // The menu lists devices in folder order and the list keeps discovery order, so the
    // item to show is found by name.
    if (!device)
        setStatus("No serial device found. Connect one and press refresh.");
    else if (device->getAddr() == remembered || remembered.empty())
        setStatus(""); // a fresh look at the devices: older news no longer applies
    if (device)
        controls.devicePU.selectItemWithTitle(enabledName_);
    stateChanged();
}

void MyDocument::refreshClicked(Control&)
{
    refreshDeviceList();
    logLinef("INTERFACE: REFRESH button clicked, %d in array", DeviceList::sharedDeviceList().getNumDevices());
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
    AttributedText text = filterString(buffer, viewType, keptBytes, kept);
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
                    device->getPortHandle() != -1};
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
    controls.recieveTF.setAttributedString(AttributedText());
    receiveShown_ = false;
}

std::optional<std::vector<std::uint8_t>> MyDocument::dataOfType(const std::string&, DocumentError* error) const
{
    if (error)
        *error = DocumentError{NSOSStatusErrorDomain, -4};
    return std::nullopt;
}

bool MyDocument::readFromData(const std::vector<std::uint8_t>&, const std::string&, DocumentError* error)
{
    if (error)
        *error = DocumentError{NSOSStatusErrorDomain, -4};
    return true;
}

void MyDocument::close()
{
    if (closed_)
        return;
    closed_ = true;
    ticks_.stop();
    readingEnabled = false;
    if (Device* device = getEnabledDevice())
        leaveDevice(*device);
    // No record may call back into a closed window.
    DeviceList& list = DeviceList::sharedDeviceList();
    for (int i = 0; i < list.getNumDevices(); ++i)
        list.getDeviceAtIndex(i)->removeListener(this);
}

void MyDocument::leaveDevice(Device& device)
{
    device.removeReader(this);
    // Another window still reading the device keeps its port.
    if (device.getPortHandle() != -1 && !device.hasReaders())
        serial->closePort(&device);
}

bool MyDocument::openEnabled(Device& device)
{
    if (serial->openPort(&device)) {
        setStatus("");
        return true;
    }
    reportOpenFailure(device, serial->lastError());
    return false;
}

void MyDocument::reportOpenFailure(const Device& device, int error)
{
    setStatus(describeOpenFailure(device.path(), error));
    std::cerr << status_ << '\n';
}

void MyDocument::deviceGone(Device& device, int error, const std::string& lostOutput)
{
    std::string text = std::string(device.getAddr()) + " stopped answering (" + std::strerror(error) +
                       "): it was probably unplugged. Reading is off.";
    if (!lostOutput.empty())
        text.append(" ").append(lostOutput);
    else if (const std::size_t queued = serial->pendingBytes(&device); queued > 0)
        text.append(" ").append(std::to_string(queued)).append(" unsent bytes were dropped.");
    serial->closePort(&device);
    disableReading();
    setStatus(text);
    std::cerr << status_ << '\n';
}

const std::string& MyDocument::settingTitle(const std::vector<std::string>& titles, int flag)
{
    // A flag outside the table works as the first entry, so it shows as that one.
    return titles.at(flag > 0 && static_cast<std::size_t>(flag) < titles.size() ? static_cast<std::size_t>(flag) : 0);
}

std::string MyDocument::settingsTitle(const Device& device) const
{
    return std::to_string(device.getBaud()) + " " + settingTitle(packetTypes, device.getPacketFlag()) + " " +
           settingTitle(flowTypes, device.getFlowFlag());
}

std::string MyDocument::windowTitle()
{
    const Device* device = getEnabledDevice();
    return device ? printableText(device->getAddr()) + " - " + settingsTitle(*device) : "No device";
}

std::string MyDocument::portState()
{
    const Device* device = getEnabledDevice();
    if (!device || device->getPortHandle() == -1)
        return "Port closed";
    return readingEnabled ? "Port open, reading" : "Port open";
}

void MyDocument::setStatus(std::string text)
{
    status_ = printableText(text); // it quotes device names, which may hold anything
    stateChanged();
}

void MyDocument::stateChanged()
{
    const Device* device = getEnabledDevice();
    shownSettings_ = settingsFor(device);
    // The pop-ups follow the record, whoever changed or replaced it.
    showSettings(device);
    if (stateObserver_)
        stateObserver_();
}
