// A window's hold on its device. It names the device by name (every window shares the device
// list, whose positions shift with each scan), opens and closes its port with the record's
// settings, reads it, and when the device goes away while read waits for it under its name to
// reopen it with the same settings (unless another adapter took the name). What the device
// delivers and what happens to its port go to the window's ReceivedStream, once each and in
// order; what the user must know goes to the events.
#pragma once

#include "app/connection/DeviceWait.h"
#include "app/connection/PortOpening.h"
#include "app/connection/PortReporter.h"
#include "app/connection/WindowDevices.h"
#include "devices/PortSettings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Device;
class DeviceList;
class ReceivedStream;
class SerialController;

class PortConnection {
public:
    struct Events {
        std::function<void(const std::string&)> status; // news for the user; "" clears it
        std::function<void()> listed;                   // the list was scanned: the pop-up shows it
        std::function<void(bool)> reading;              // the read toggle shows this
        std::function<void()> changed;                  // the device, its port or settings changed
        std::function<void()> switched;                 // the window left its device for another
        std::function<void(Device&)> lastLook;          // the device fails: show what it sent first
        std::function<void(bool data)> news;            // the device had news: bytes, a close, a failure
    };
    // What the window shows of its device, to tell when another window changed it.
    struct DeviceState {
        std::string name;
        PortSettings settings;
        bool portOpen = false;
        std::string identity;
        bool operator==(const DeviceState&) const = default;
    };
    enum class Tick { NotReading, Stopped, Reading };

    PortConnection(DeviceList& devices, ReceivedStream& stream, Events events);
    PortConnection(const PortConnection&) = delete;
    PortConnection& operator=(const PortConnection&) = delete;
    ~PortConnection();

    DeviceList& devices() { return devices_.list(); }
    SerialController& serial() { return *serial_; }
    // The device the window works with; none while it waits, or when the list has none.
    Device* enabledDevice();
    // Its position in the list when last looked up; -1 before the first scan.
    int enabledIndex() const { return enabledIndex_; }
    Device* find(std::string_view name, int* index = nullptr) { return devices_.find(name, index); }
    bool isReading() const { return reading_; }
    const DeviceWait& wait() const { return wait_; }
    // The settings the window works with: its device's, or those kept while it waits.
    std::optional<PortSettings> settings();
    static DeviceState stateOf(const Device* device);
    // Whether the device's state differs from what the window last showed.
    bool deviceChanged();

    // Follows every scan of the list from now on, and scans it.
    void start();
    void rescan();
    void enableReading();
    void disableReading();
    // The read toggle was set off: the window stops waiting, or stops reading.
    void toggledOff();
    // The device pop-up's choice; false when the title names no listed device any more.
    bool chooseDevice(const std::string& title);
    // A port on another machine (rfc2217://, tcp://, telnet:// HOST:PORT), listed in this
    // window from now on and chosen; false, having said why, for a bad address. It opens in
    // the background: reading is on while it connects, and the outcome is told.
    bool openNetworkPort(const std::string& address, const PortSettings& settings = {});
    std::vector<std::string> networkPortNames() const { return devices_.networkNames(); }
    bool isConnecting() const { return opening_.isConnecting(); }
    // Stores a setting in the record (or, while waiting, for the reopen) and reopens the port
    // with it; false when there is no device to store it in.
    bool applySetting(const std::function<void(PortSettings&)>& store);
    // The window's tick: hears the device, tells of lost output, and while reading serves the
    // port. Stopped: reading ended in this tick (the device went away, another window closed it).
    Tick tick();
    // Whether a read is paused for the ticks, or output waits: the ticks must go on.
    bool portBusy();
    // The port's state to the stream, and the settings kept for a wait; after every change.
    void follow();
    // Send bytes as they stand; "" when written or queued, else why not.
    std::string send(std::string_view bytes);
    // The receive view was cleared: a reconnect has nothing of before to show.
    void forgetReceived();
    // The window goes: it stops hearing the list and its devices, and closes its port unless
    // another window reads it.
    void close();
    bool isClosed() const { return closed_; }

private:
    // Reads the device whose port is open; openAndRead: opens it (or joins its open port) and
    // reads, telling what a close before it dropped with the outcome.
    void read(Device& device);
    void openAndRead(Device& device, const std::string& dropped);
    // This window stops reading device; the last reader closes its port, and so does a device
    // choice (closeAnyway) even when none is open. Answers what the user must know of queued
    // output the close dropped, "" when none was.
    std::string leave(Device& device, bool closeAnyway = false);
    std::string closePort(Device& device);
    // Adds to what the user was last told.
    void tellAlso(const std::string& more);
    void listenTo(Device& device);
    void listChanged();
    void startWaiting(const std::string& name);
    bool reconnect(Device& device);
    void retry();
    void stopWaiting();
    void gone(Device& device, int error, const std::string& lostOutput);
    void tell(const std::string& text);

    WindowDevices devices_;
    ReceivedStream& stream_;
    Events events_;
    std::unique_ptr<SerialController> serial_;
    PortOpening opening_;
    DeviceWait wait_;
    PortReporter reporter_;
    std::string enabledName_; // the device this window works with, "" for none
    int enabledIndex_ = -1;
    bool reading_ = false;
    bool closed_ = false;
    bool ownRescan_ = false; // the scan is this window's: older news no longer applies
    DeviceState seen_;       // the device as the window last showed it
    DeviceState kept_;       // the device when the window last had one
    std::string told_; // the last news for the user
};
