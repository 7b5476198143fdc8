// Start-up, the device list, the window's life and what it tells the user. Reading and the
// receive view are in MyDocumentReading.cpp, device choice and settings in
// MyDocumentSettings.cpp, the transmit editor in MyDocumentTransmit.cpp.
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"

#include "app/connection/describeOpenFailure.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "toolkit/Log.h"
#include "toolkit/Timer.h"
#include "toolkit/printableText.h"

#include <cerrno>
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
    DeviceList& list = DeviceList::sharedDeviceList();
    list.addObserver(this, [this] { deviceListChanged(); });
    list.watchFolder();
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

Device* MyDocument::getEnabledDevice()
{
    // While the window waits, a record of that name is not yet its device again.
    if (enabledName_.empty() || waiting_)
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
    ownRescan_ = true;
    DeviceList::sharedDeviceList().rescan();
    ownRescan_ = false;
}

void MyDocument::refreshClicked(Control&)
{
    refreshDeviceList();
    logLinef("INTERFACE: REFRESH button clicked, %d in array", DeviceList::sharedDeviceList().getNumDevices());
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
    cancelRetry();
    // The files are complete before the window goes, on quit too.
    stopCapture();
    reapCaptures(true);
    ticks_.stop();
    readingEnabled = false;
    // A break or DTR pulse under way ends now: nothing would end it once the window is gone.
    for (const std::shared_ptr<Timer>& timer : {breakEnd_, pulseEnd_}) { // copies: firing resets the members
        if (timer)
            timer->fire();
    }
    if (Device* device = getEnabledDevice())
        leaveDevice(*device);
    // No record, and not the list, may call back into a closed window.
    DeviceList& list = DeviceList::sharedDeviceList();
    list.removeObserver(this);
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
        setStatus(rateShortfall(device)); // never silently at another rate
        return true;
    }
    reportOpenFailure(device, serial->lastError());
    return false;
}

void MyDocument::reportOpenFailure(const Device& device, int error)
{
    setStatus(error == EBUSY ? describeBusyPort(device.getAddr(), serial->portHolder())
                             : describeOpenFailure(device.path(), error));
    std::cerr << status_ << '\n';
}

const std::string& MyDocument::settingTitle(const std::vector<std::string>& titles, int flag)
{
    // A flag outside the table works as the first entry, so it shows as that one.
    return titles.at(flag > 0 && static_cast<std::size_t>(flag) < titles.size() ? static_cast<std::size_t>(flag) : 0);
}

std::string MyDocument::settingsTitle(const Settings& settings) const
{
    return std::to_string(SerialController::requestedRate(settings.baud)) + " " + packetTitle(settings.packet) + " " +
           settingTitle(flowTypes, settings.flow);
}

std::string MyDocument::windowTitle()
{
    if (waiting_)
        return printableText(waitingTitle()) + " - " + settingsTitle(*waiting_);
    const Device* device = getEnabledDevice();
    return device ? printableText(device->getAddr()) + " - " + settingsTitle(settingsFor(device)) : "No device";
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
    followCapture();
    const Device* device = getEnabledDevice();
    shownSettings_ = settingsFor(device);
    if (device)
        kept_ = shownSettings_;
    // The pop-ups follow the record, whoever changed or replaced it.
    showSettings(device);
    followLines();
    if (stateObserver_)
        stateObserver_();
}
