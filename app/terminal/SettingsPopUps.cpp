#include "app/terminal/SettingsPopUps.h"

#include "app/connection/PortConnection.h"
#include "app/connection/SettingTitles.h"
#include "app/terminal/TerminalControls.h"
#include "app/terminal/showChoice.h"
#include "devices/CharacterFormat.h"
#include "devices/Device.h"
#include "serial/SerialController.h"
#include "toolkit/Log.h"

#include <algorithm>

SettingsPopUps::SettingsPopUps(TerminalControls& controls, PortConnection& connection,
                               std::function<void(const std::string&)> status)
    : controls_(controls), connection_(connection), status_(std::move(status)),
      baudRates{300, 600, 1200, 1800, 2400, 4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200},
      packetTypes(SettingTitles::packetTypes()), flowTypes(SettingTitles::flowTypes())
{
}

void SettingsPopUps::setTheBaudRateList()
{
    controls_.baudRatePU.removeAllItems();
    for (int baud : baudRates)
        controls_.baudRatePU.addItemWithTitle(std::to_string(baud));
    controls_.baudRatePU.selectItemAtIndex(6);
}

void SettingsPopUps::setPacketList()
{
    controls_.packetPU.removeAllItems();
    for (const std::string& title : packetTypes)
        controls_.packetPU.addItemWithTitle(title);
}

void SettingsPopUps::setFlowList()
{
    controls_.flowPU.removeAllItems();
    for (const std::string& title : flowTypes)
        controls_.flowPU.addItemWithTitle(title);
}

void SettingsPopUps::setDevice(PopUpButton& sender)
{
    if (sender.indexOfSelectedItem() < 0)
        return;
    const bool listed = connection_.chooseDevice(sender.titleOfSelectedItem());
    if (!listed && connection_.enabledDevice())
        sender.selectItemWithTitle(connection_.enabledDevice()->getAddr());
}

void SettingsPopUps::setBaudRate(PopUpButton& sender)
{
    const int index = sender.indexOfSelectedItem();
    if (index < 0)
        return;
    // The entry after the table is the rate in force, set through the dialog.
    if (static_cast<std::size_t>(index) >= baudRates.size()) {
        if (const Device* current = connection_.enabledDevice())
            chooseBaudRate(current->getBaud());
        return;
    }
    const int baud = baudRates[static_cast<std::size_t>(index)];
    if (connection_.applySetting([baud](PortSettings& settings) { settings.baud = baud; }))
        logLinef("INTERFACE: SET_BAUD TO: %d  clicked", baud);
}

void SettingsPopUps::setPacketType(PopUpButton& sender)
{
    const int index = sender.indexOfSelectedItem();
    if (index < 0)
        return;
    // The entry after the named ones is the format in force, set through the dialog.
    if (static_cast<std::size_t>(index) >= packetTypes.size()) {
        if (const Device* current = connection_.enabledDevice())
            chooseCharacterFormat(CharacterFormat::fromFlag(current->getPacketFlag()));
        return;
    }
    if (connection_.applySetting([index](PortSettings& settings) { settings.packet = index; }))
        logLinef("INTERFACE: SET_PACKET: %d  clicked", index);
}

void SettingsPopUps::setFlowControl(PopUpButton& sender)
{
    const int index = sender.indexOfSelectedItem();
    if (index < 0 || static_cast<std::size_t>(index) >= flowTypes.size())
        return;
    if (connection_.applySetting([index](PortSettings& settings) { settings.flow = index; }))
        logLinef("INTERFACE: SET_FLOW: %d  clicked", index);
}

void SettingsPopUps::chooseBaudRate(int rate)
{
    if (rate < lowestRate || rate > highestRate) {
        status_("A rate must be a whole number from " + std::to_string(lowestRate) + " to " +
                  std::to_string(highestRate) + " baud.");
        return;
    }
    if (connection_.applySetting([rate](PortSettings& settings) { settings.baud = rate; }))
        logLinef("INTERFACE: SET_BAUD TO: %d  clicked", rate);
}

void SettingsPopUps::chooseCharacterFormat(const CharacterFormat& format)
{
    using Parity = CharacterFormat::Parity;
    if ((format.parity == Parity::Mark || format.parity == Parity::Space) && !SerialController::hasMarkSpaceParity()) {
        status_("This system has no mark or space parity.");
        return;
    }
    const int flag = format.toFlag();
    if (connection_.applySetting([flag](PortSettings& settings) { settings.packet = flag; }))
        logLinef("INTERFACE: SET_PACKET: %d  clicked", flag);
}

void SettingsPopUps::show()
{
    const Device* device = connection_.enabledDevice();
    if (!device && connection_.wait().isWaiting()) {
        // The device waited for stands in the pop-up, marked, where the window's choice was.
        const std::string marked = connection_.wait().title();
        const std::vector<std::string>& items = controls_.devicePU.itemTitles();
        if (std::find(items.begin(), items.end(), marked) == items.end())
            controls_.devicePU.addItemWithTitle(marked);
        controls_.devicePU.selectItemWithTitle(marked);
        return;
    }
    if (!device) {
        controls_.devicePU.selectItemAtIndex(-1);
        return;
    }
    controls_.devicePU.selectItemWithTitle(device->getAddr());
    setBaudPU(std::to_string(SerialController::requestedRate(device->getBaud())));
    set_PacketPU(SettingTitles::packet(device->getPacketFlag()));
    set_FlowPU(SettingTitles::flow(device->getFlowFlag()));
}

// A rate or format from the dialogs shows as an extra entry after the pop-up's own.
void SettingsPopUps::setBaudPU(const std::string& title)
{
    std::vector<std::string> titles;
    for (int baud : baudRates)
        titles.push_back(std::to_string(baud));
    showChoice(controls_.baudRatePU, titles, title);
}

void SettingsPopUps::set_PacketPU(const std::string& title)
{
    showChoice(controls_.packetPU, packetTypes, title);
}

void SettingsPopUps::set_FlowPU(const std::string& title)
{
    controls_.flowPU.selectItemWithTitle(title);
}
