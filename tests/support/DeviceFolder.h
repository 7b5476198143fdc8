// A scratch device folder and a device list of its own that scans it: each "cu." entry the
// test attaches leads to a pseudo-terminal whose far end the test plays. The list never looks
// at the machine's own folders, so what it finds is exactly what the test put there.
#pragma once

#include "devices/DeviceList.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <map>
#include <string>

struct DeviceFolder {
    // The device `name`: a pseudo-terminal, made on first use.
    Pty& attach(const std::string& name)
    {
        Pty& pty = ptys[name];
        dev.link(name, pty.slavePath());
        return pty;
    }
    // The device goes: its entry leaves the folder and its far end hangs up.
    void detach(const std::string& name)
    {
        dev.remove(name);
        ptys.erase(name);
    }
    // udev's by-id link naming the adapter behind the device `name`.
    void identify(const std::string& name, const std::string& adapter)
    {
        std::filesystem::create_directories(byId());
        std::filesystem::create_symlink(ptys.at(name).slavePath(), byId() + "/" + adapter);
    }
    void forget(const std::string& adapter) { std::filesystem::remove(byId() + "/" + adapter); }
    std::string byId() const { return sys.path() + "/by-id"; }
    Device* find(const std::string& name)
    {
        for (int i = 0; i < list.getNumDevices(); ++i) {
            if (name == list.getDeviceAtIndex(i)->getAddr())
                return list.getDeviceAtIndex(i);
        }
        return nullptr;
    }

    TempDir dev;
    TempDir sys;
    std::map<std::string, Pty> ptys;
    DeviceList list{{dev.path(), sys.path(), byId()}};
};
