// A list of serial device records kept up to date by scanning a device folder; the whole
// process shares one, in which every window looks its device up by position. Records keep
// the order in which they were first found. Whoever shows the list hears of every scan, and
// once watched the list follows the folder by itself.
#pragma once

#include "devices/Device.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

class FolderWatch;
class PopUpButton;

class DeviceList {
public:
    // Where the devices are: the folder to scan, the kernel's list of ttys that tells
    // phantom serial ports (Linux only), and udev's links that name each adapter for good.
    struct Folders {
        std::string devices = "/dev";
        std::string sysClassTty = "/sys/class/tty";
        std::string serialById = "/dev/serial/by-id";
    };

    // Created on first use, which prints "DeviceList INIT"; lives until the process ends.
    // Assigning it another list (a scan of other folders) drops all its records and its
    // folder watch; its observers stay.
    static DeviceList& sharedDeviceList();

    DeviceList();
    explicit DeviceList(Folders folders);
    const Folders& folders() const { return folders_; }
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;
    DeviceList(DeviceList&& other) noexcept;
    DeviceList& operator=(DeviceList&& other) noexcept;
    ~DeviceList();

    // Rescans the device folder: appends one item per device to `menu` in folder order
    // (the caller empties it first), appends records for new devices and removes, with a
    // line each, the records whose devices are gone. Then tells every observer.
    void refreshDeviceList(PopUpButton& menu);
    // The same scan for no menu in particular.
    void rescan();
    // The devices of the last scan, in folder order: what a scan puts in a menu.
    const std::vector<std::string>& scannedNames() const { return scanned_; }
    // nullptr outside 0..count-1. A record stays valid until a scan removes it.
    Device* getDeviceAtIndex(int index);
    int getNumDevices() const { return static_cast<int>(deviceList_.size()); }
    // Whether the last scan found the by-id folder, so that an adapter's identity can be told:
    // a record without one is then one whose link udev has not made yet, or has none.
    bool identifies() const { return identifies_; }

    // Rescans by itself whenever the device folder changes, from now on (again after an
    // assignment). Calling it while it watches does nothing.
    void watchFolder();
    // Called after every scan, whoever asked for it; any token unique to the observer names it.
    void addObserver(const void* who, std::function<void()> observer);
    void removeObserver(const void* who);

private:
    void scan();
    void tellObservers();
    // Each record's adapter, as the by-id links tell it; a record whose link is gone
    // (unplugged) keeps the identity it had.
    void identify();

    std::vector<std::unique_ptr<Device>> deviceList_;
    Folders folders_;
    std::vector<std::string> scanned_;
    std::vector<std::pair<const void*, std::function<void()>>> observers_;
    std::unique_ptr<FolderWatch> watch_;
    bool identifies_ = false;
    std::set<std::string> toldTooLong_; // names left out, each told once on stderr
};
