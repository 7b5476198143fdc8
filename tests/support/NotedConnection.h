// A window's hold on its device without the window: a PortConnection on a device list of the
// test's, whose events are noted as the window would show them. Like a window it follows the
// port after every change, so the stream hears of it and a wait keeps the last settings.
#pragma once

#include "app/connection/PortConnection.h"
#include "app/stream/ReceivedStream.h"
#include "devices/Device.h"
#include "toolkit/RunLoop.h"

#include <string>

struct NotedConnection {
    explicit NotedConnection(DeviceList& devices) : connection(devices, stream, events()) { connection.start(); }

    // What the event loop does for a window: serve the ports that are ready, then tick.
    PortConnection::Tick tick()
    {
        RunLoop::currentRunLoop().fireReadyWatches();
        return connection.tick();
    }
    // Works with the named device and reads it, whichever it started on.
    void use(const std::string& name)
    {
        connection.chooseDevice(name);
        connection.enableReading();
    }
    Device* device() { return connection.enabledDevice(); }
    int descriptor() { return device() ? device()->getPortHandle() : -1; }

    ReceivedStream stream;
    std::string status;
    bool reading = false; // as the read toggle shows it
    int listed = 0;
    int switched = 0;
    std::string lastLook; // what a failing device had received
    PortConnection connection;

private:
    PortConnection::Events events()
    {
        return {[this](const std::string& text) { status = text; },
                [this] { ++listed; },
                [this](bool on) { reading = on; },
                [this] { connection.follow(); },
                [this] { ++switched; },
                [this](Device& device) { lastLook = device.getRecvBuf(); },
                [](bool) {}};
    }
};
