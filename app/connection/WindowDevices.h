// The devices one window can choose from: the shared list's (a scan of the device folder),
// then the network ports this window opened (rfc2217://, tcp://, telnet://), which are
// records of its own, since the folder's next scan would drop them. A network record lives as
// long as the window, so a dropped connection can be waited for as a replugged adapter is.
#pragma once

#include "devices/PortSettings.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Device;
class DeviceList;

class WindowDevices {
public:
    explicit WindowDevices(DeviceList& list);
    WindowDevices(const WindowDevices&) = delete;
    WindowDevices& operator=(const WindowDevices&) = delete;
    ~WindowDevices();

    DeviceList& list() { return list_; }
    // nullptr for a name neither lists; index gets its place as the device pop-up shows it.
    Device* find(std::string_view name, int* index = nullptr);
    // Marks the device named title as the chosen one and every other as not; its index, or
    // -1 when none has that name.
    int choose(std::string_view title);
    // The record for the network address written in text, made with settings if it is new;
    // nullptr, with error saying what is wrong, for text that is no network address.
    Device* addNetworkPort(std::string_view text, const PortSettings& settings, std::string& error);
    // Takes a listener off every device, the network ones included, before it goes.
    void removeListener(const void* listener);
    // In the order they were opened.
    std::vector<std::string> networkNames() const;

private:
    DeviceList& list_;
    std::vector<std::unique_ptr<Device>> network_;
};
