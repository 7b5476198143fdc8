#include "devices/DeviceList.h"

#include "devices/DeviceName.h"
#include "devices/FolderWatch.h"
#include "toolkit/Log.h"
#include "toolkit/PopUpButton.h"
#include "toolkit/Stderr.h"
#include "toolkit/printableText.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <map>
#include <system_error>
#include <utility>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

} // namespace

DeviceList& DeviceList::sharedDeviceList()
{
    static DeviceList sharedInstance = [] {
        logLine("DeviceList INIT");
        return DeviceList();
    }();
    return sharedInstance;
}

DeviceList::DeviceList()
    : DeviceList(Folders{})
{
}

DeviceList::DeviceList(Folders folders)
    : folders_(std::move(folders))
{
}

DeviceList::DeviceList(DeviceList&& other) noexcept
    : deviceList_(std::move(other.deviceList_)), folders_(std::move(other.folders_)), scanned_(std::move(other.scanned_)),
      identifies_(other.identifies_)
{
}

DeviceList& DeviceList::operator=(DeviceList&& other) noexcept
{
    // The watch calls back into the list it was made for; the observers watch this one.
    watch_.reset();
    other.watch_.reset();
    deviceList_ = std::move(other.deviceList_);
    folders_ = std::move(other.folders_);
    scanned_ = std::move(other.scanned_);
    identifies_ = other.identifies_;
    return *this;
}

DeviceList::~DeviceList() = default;

void DeviceList::watchFolder()
{
    if (!watch_)
        // udev makes an adapter's by-id link a moment after its node: a scan in between finds
        // the device without its identity, and the link's arrival must bring another scan.
        watch_ = std::make_unique<FolderWatch>(std::vector{folders_.devices, folders_.serialById}, [this] { rescan(); });
}

void DeviceList::addObserver(const void* who, std::function<void()> observer)
{
    removeObserver(who);
    observers_.emplace_back(who, std::move(observer));
}

void DeviceList::removeObserver(const void* who)
{
    std::erase_if(observers_, [who](const auto& entry) { return entry.first == who; });
}

void DeviceList::rescan()
{
    scan();
    tellObservers();
}

void DeviceList::tellObservers()
{
    // An observer may add or remove observers, itself included: each one still here is told once.
    const auto observers = observers_;
    for (const auto& [who, observer] : observers) {
        const auto still = std::find_if(observers_.begin(), observers_.end(),
                                        [who = who](const auto& entry) { return entry.first == who; });
        if (still != observers_.end()) {
            const std::function<void()> call = still->second; // it may remove itself meanwhile
            call();
        }
    }
}

Device* DeviceList::getDeviceAtIndex(int index)
{
    if (index < 0 || index >= getNumDevices())
        return nullptr;
    return deviceList_[static_cast<std::size_t>(index)].get();
}

void DeviceList::refreshDeviceList(PopUpButton& menu)
{
    scan();
    for (const std::string& name : scanned_)
        menu.addItemWithTitle(name);
    tellObservers();
}

void DeviceList::scan()
{
    scanned_.clear();
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folders_.devices.c_str()));
    for (const auto& device : deviceList_)
        device->setNotFound();

    // A folder that can't be read lists nothing, so the sweep drops every record.
    while (dir) {
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            break;
        const std::string name = entry->d_name;
        if (name.size() >= DeviceName::maxLength && DeviceName::hasSerialPortPrefix(name) &&
            toldTooLong_.insert(name).second)
            Stderr::line("left out " + name + ": a device name of " + std::to_string(name.size()) +
                         " bytes is longer than the " + std::to_string(DeviceName::maxLength - 1) + " listed");
        if (!DeviceName::isSerialPortName(name) || DeviceName::isPhantomPort(folders_.sysClassTty, name))
            continue;
        scanned_.push_back(name);
        bool known = false;
        for (const auto& device : deviceList_) {
            if (std::strcmp(device->getAddr(), name.c_str()) == 0) {
                device->setFound();
                known = true;
            }
        }
        if (!known)
            deviceList_.push_back(std::make_unique<Device>(name, folders_.devices));
    }

    for (auto it = deviceList_.begin(); it != deviceList_.end();) {
        if ((*it)->getFound()) {
            ++it;
            continue;
        }
        logLinef("device %s not found again, REMOVING..", printableText((*it)->getAddr()).c_str());
        it = deviceList_.erase(it);
    }
    identify();
}

void DeviceList::identify()
{
    namespace fs = std::filesystem;
    std::map<fs::path, std::string> byTarget;
    std::error_code error;
    fs::directory_iterator it(folders_.serialById, error);
    identifies_ = !error;
    for (fs::directory_iterator end; !error && it != end; it.increment(error)) {
        std::error_code dangling;
        if (const fs::path target = fs::canonical(it->path(), dangling); !dangling)
            byTarget.emplace(target, it->path().filename().string());
    }
    if (byTarget.empty())
        return;
    for (const auto& device : deviceList_) {
        std::error_code gone;
        const auto found = byTarget.find(fs::canonical(device->path(), gone));
        if (!gone && found != byTarget.end())
            device->setIdentity(found->second);
    }
}
