#include "app/connection/WindowDevices.h"

#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "serial/NetworkAddress.h"

WindowDevices::WindowDevices(DeviceList& list) : list_(list) {}
WindowDevices::~WindowDevices() = default;

Device* WindowDevices::find(std::string_view name, int* index)
{
    const int listed = list_.getNumDevices();
    for (int i = 0; i < listed; ++i) {
        Device* device = list_.getDeviceAtIndex(i);
        if (name == device->getAddr()) {
            if (index)
                *index = i;
            return device;
        }
    }
    for (std::size_t i = 0; i < network_.size(); ++i) {
        if (name == network_[i]->getAddr()) {
            if (index)
                *index = listed + static_cast<int>(i);
            return network_[i].get();
        }
    }
    return nullptr;
}

int WindowDevices::choose(std::string_view title)
{
    int chosen = -1;
    const auto mark = [&](Device& device, int index) {
        if (title == device.getAddr()) {
            device.setEnabledTrue();
            chosen = index;
        } else {
            device.setEnabledFalse();
        }
    };
    const int listed = list_.getNumDevices();
    for (int i = 0; i < listed; ++i)
        mark(*list_.getDeviceAtIndex(i), i);
    for (std::size_t i = 0; i < network_.size(); ++i)
        mark(*network_[i], listed + static_cast<int>(i));
    return chosen;
}

Device* WindowDevices::addNetworkPort(std::string_view text, const PortSettings& settings, std::string& error)
{
    const std::optional<NetworkAddress> address = NetworkAddress::parse(text, error);
    if (!address)
        return nullptr;
    // Named as the pop-up and the log name it, so "tcp://Host:1" and "tcp://host:1" are one.
    const std::string name = address->text();
    for (const auto& record : network_) {
        if (record->getAddr() == name)
            return record.get();
    }
    auto record = std::make_unique<Device>(name, "");
    record->setSettings(settings);
    network_.push_back(std::move(record));
    return network_.back().get();
}

void WindowDevices::removeListener(const void* listener)
{
    for (int i = 0; i < list_.getNumDevices(); ++i)
        list_.getDeviceAtIndex(i)->removeListener(listener);
    for (const auto& record : network_)
        record->removeListener(listener);
}

std::vector<std::string> WindowDevices::networkNames() const
{
    std::vector<std::string> names;
    for (const auto& record : network_)
        names.emplace_back(record->getAddr());
    return names;
}
