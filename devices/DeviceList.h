// The one list of serial device records for the whole process, kept up to date by
// scanning the device folder; every window looks its device up here by position.
// Records keep the order in which they were first found.
#pragma once

#include "devices/Device.h"

#include <memory>
#include <string>
#include <vector>

class PopUpButton;

class DeviceList {
public:
    // Created on first use, which prints "DeviceList INIT"; lives until the process ends.
    static DeviceList& sharedDeviceList();

    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;

    // Rescans the device folder: appends one item per device to `menu` in folder order
    // (the caller empties it first), appends records for new devices and removes, with a
    // line each, the records whose devices are gone.
    void refreshDeviceList(PopUpButton& menu);
    // nullptr outside 0..count-1. A record stays valid until a scan removes it.
    Device* getDeviceAtIndex(int index);
    int getNumDevices() const { return static_cast<int>(deviceList_.size()); }

    // For tests: the folder to scan and the stand-in for /sys/class/tty.
    void setScanDirectories(std::string devDir, std::string sysClassTtyDir);

private:
    DeviceList();


    std::vector<std::unique_ptr<Device>> deviceList_;
    std::string devDir_ = "/dev";
    std::string sysClassTtyDir_ = "/sys/class/tty";
};
