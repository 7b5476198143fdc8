// A serial device for benchmarks without hardware: a pseudo-terminal whose slave appears as
// "cu.bench" in a scratch device folder that the shared device list then scans (a fresh
// list, so counts start at zero). The benchmark plays the far end on the non-blocking master.
// Make it before the first window, which scans on start-up.
#pragma once

#include "devices/DeviceList.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

class PtySerialDevice {
public:
    static constexpr const char* name = "cu.bench";

    PtySerialDevice()
    {
        dev_.link(name, pty_.slavePath());
        DeviceList::sharedDeviceList() = DeviceList({dev_.path(), sys_.path()});
    }

    int master() const { return pty_.master(); }

private:
    // The slave stays open here too, so the port closing its descriptor never hangs up the
    // master under the writer.
    Pty pty_;
    TempDir dev_;
    TempDir sys_;
};
