// A list of serial device records kept up to date by scanning a device folder; the whole
// process shares one, in which every window looks its device up by position. Records keep
// the order in which they were first found.
#pragma once

#include "devices/Device.h"

#include <memory>
#include <string>
#include <vector>

class PopUpButton;

class DeviceList {
public:
    // Where the devices are: the folder to scan, and the kernel's list of ttys that tells
    // phantom serial ports (Linux only).
    struct Folders {
        std::string devices = "/dev";
        std::string sysClassTty = "/sys/class/tty";
    };

    // Created on first use, which prints "DeviceList INIT"; lives until the process ends.
    // Assigning it another list (a scan of other folders) drops all its records.
    static DeviceList& sharedDeviceList();

    DeviceList();
    explicit DeviceList(Folders folders);
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;
    DeviceList(DeviceList&&) = default;
    DeviceList& operator=(DeviceList&&) = default;

    // Rescans the device folder: appends one item per device to `menu` in folder order
    // (the caller empties it first), appends records for new devices and removes, with a
    // line each, the records whose devices are gone.
    void refreshDeviceList(PopUpButton& menu);
    // nullptr outside 0..count-1. A record stays valid until a scan removes it.
    Device* getDeviceAtIndex(int index);
    int getNumDevices() const { return static_cast<int>(deviceList_.size()); }

private:
    std::vector<std::unique_ptr<Device>> deviceList_;
    Folders folders_;
};
