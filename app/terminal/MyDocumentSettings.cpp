// Choosing the window's device and its port settings. Every choice takes effect at once:
// the port is (re)opened with the record's settings and reading follows the outcome.
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "app/terminal/showChoice.h"

#include "devices/CharacterFormat.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "toolkit/AttributedText.h"
#include "toolkit/Log.h"
#include "toolkit/printableText.h"

#include <algorithm>

void MyDocument::setDevice(PopUpButton& sender)
{
    if (sender.indexOfSelectedItem() < 0)
        return;
    const std::string title = sender.titleOfSelectedItem();
    if (waiting_) {
        // The device waited for is still what the window wants; anything else ends the wait.
        if (title == waitingTitle())
            return;
        cancelRetry();
        waiting_.reset();
        enabledName_.clear();
    }
    const std::string oldName = enabledName_;

    DeviceList& list = DeviceList::sharedDeviceList();
    bool listed = false;
    for (int i = 0; i < list.getNumDevices(); ++i) {
        Device* record = list.getDeviceAtIndex(i);
        if (title == record->getAddr()) {
            record->setEnabledTrue();
            enabledDevice = i;
            enabledName_ = title;
            listed = true;
        } else {
            record->setEnabledFalse();
        }
    }

    Device* device = getEnabledDevice();
    if (!listed) {
        // Another window's rescan took the chosen device out of the list; keep our own.
        setStatus(title + " is no longer connected. Press refresh to update the list.");
        if (device)
            sender.selectItemWithTitle(enabledName_);
    }
    if (!device)
        return;
    if (oldName == device->getAddr()) {
        logLinef("Same device as last enabled: %s", printableText(oldName).c_str());
        return;
    }

    // Each record owns its port, so the one to close is the old device's own, unless
    // another window is still reading it.
    if (Device* old = oldName.empty() ? nullptr : findDevice(oldName, nullptr)) {
        leaveDevice(*old);
        set_RecieveTF(AttributedText());
        receiveShown_ = false; // the next tick shows the new device's buffer
    }

    // A port another window already has open is joined, not reopened: reopening would
    // drop the modem lines and reset many boards.
    if (device->getPortHandle() != -1 || openEnabled(*device))
        enableReading();
    else {
        disableReading();
    }
    stateChanged();
}

void MyDocument::setBaudRate(PopUpButton& sender)
{
    const int index = sender.indexOfSelectedItem();
    if (index < 0)
        return;
    // The entry after the table is the rate in force, set through the dialog.
    if (static_cast<std::size_t>(index) >= baudRates.size()) {
        if (const Device* current = getEnabledDevice())
            chooseBaudRate(current->getBaud());
        return;
    }
    const int baud = baudRates[static_cast<std::size_t>(index)];
    if (applySetting([baud](Device& device) { device.setBaud(baud); }))
        logLinef("INTERFACE: SET_BAUD TO: %d  clicked", baud);
}

void MyDocument::setPacketType(PopUpButton& sender)
{
    const int index = sender.indexOfSelectedItem();
    if (index < 0)
        return;
    // The entry after the named ones is the format in force, set through the dialog.
    if (static_cast<std::size_t>(index) >= packetTypes.size()) {
        if (const Device* current = getEnabledDevice())
            chooseCharacterFormat(CharacterFormat::fromFlag(current->getPacketFlag()));
        return;
    }
    if (applySetting([index](Device& device) { device.setPacketFlag(index); }))
        logLinef("INTERFACE: SET_PACKET: %d  clicked", index);
}

void MyDocument::setFlowControl(PopUpButton& sender)
{
    const int index = sender.indexOfSelectedItem();
    if (index < 0 || static_cast<std::size_t>(index) >= flowTypes.size())
        return;
    if (applySetting([index](Device& device) { device.setFlowFlag(index); }))
        logLinef("INTERFACE: SET_FLOW: %d  clicked", index);
}

// Stores the choice in the enabled record and reopens its port with it.
bool MyDocument::applySetting(const std::function<void(Device&)>& store)
{
    Device* device = getEnabledDevice();
    if (!device && storeWhileWaiting(store))
        return true;
    if (!device) {
        setStatus("No serial device found. Connect one and press refresh.");
        return false;
    }
    store(*device);
    serial->closePort(device);
    if (openEnabled(*device))
        enableReading();
    else
        disableReading();
    return true;
}

void MyDocument::showSettings(const Device* device)
{
    if (!device && waiting_) {
        // The device waited for stands in the pop-up, marked, where the window's choice was.
        const std::string marked = waitingTitle();
        const std::vector<std::string>& items = controls.devicePU.itemTitles();
        if (std::find(items.begin(), items.end(), marked) == items.end())
            controls.devicePU.addItemWithTitle(marked);
        controls.devicePU.selectItemWithTitle(marked);
        return;
    }
    if (!device) {
        controls.devicePU.selectItemAtIndex(-1);
        return;
    }
    controls.devicePU.selectItemWithTitle(device->getAddr());
    setBaudPU(std::to_string(SerialController::requestedRate(device->getBaud())));
    set_PacketPU(packetTitle(device->getPacketFlag()));
    set_FlowPU(settingTitle(flowTypes, device->getFlowFlag()));
}

// A rate or format from the dialogs shows as an extra entry after the pop-up's own.
void MyDocument::setBaudPU(const std::string& title)
{
    std::vector<std::string> titles;
    for (int baud : baudRates)
        titles.push_back(std::to_string(baud));
    showChoice(controls.baudRatePU, titles, title);
}

void MyDocument::set_PacketPU(const std::string& title)
{
    showChoice(controls.packetPU, packetTypes, title);
}

void MyDocument::set_FlowPU(const std::string& title)
{
    controls.flowPU.selectItemWithTitle(title);
}
