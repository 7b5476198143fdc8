// A terminal window on a device list of its own, whose one device, cu.usb, is a pty the test
// plays the far end of; the window reads it from the start. The window goes before the list.
#pragma once

#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "app/window/MyDocumentWindow.h"
#include "devices/DeviceList.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

#include <memory>

struct PtyWindow {
    PtyWindow()
    {
        dev.link("cu.usb", pty.slavePath());
        devices = std::make_unique<DeviceList>(DeviceList::Folders{dev.path(), sys.path()});
        window = std::make_unique<MyDocumentWindow>(*devices);
        window->controls().readToggle.userSelectSegment(1);
    }
    ~PtyWindow() { window.reset(); }

    TempDir dev;
    TempDir sys;
    Pty pty;
    std::unique_ptr<DeviceList> devices;
    std::unique_ptr<MyDocumentWindow> window;
};
