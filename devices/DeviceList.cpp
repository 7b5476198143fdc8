#include "devices/DeviceList.h"

#include "devices/DeviceName.h"
#include "toolkit/Log.h"
#include "toolkit/PopUpButton.h"
#include "toolkit/printableText.h"

#include <cstring>
#include <dirent.h>
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

Device* DeviceList::getDeviceAtIndex(int index)
{
    if (index < 0 || index >= getNumDevices())
        return nullptr;
    return deviceList_[static_cast<std::size_t>(index)].get();
}

void DeviceList::refreshDeviceList(PopUpButton& menu)
{
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folders_.devices.c_str()));
    for (const auto& device : deviceList_)
        device->setNotFound();

    // A folder that can't be read lists nothing, so the sweep drops every record.
    while (dir) {
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            break;
        const std::string name = entry->d_name;
        if (!DeviceName::isSerialPortName(name) || DeviceName::isPhantomPort(folders_.sysClassTty, name))
            continue;
        menu.addItemWithTitle(name);
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
}
