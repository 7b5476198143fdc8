// A window's wait for its device after it went away while being read: the name, the settings
// to reopen it with, the adapter it was and what it had received. reopen() tries a device of
// that name; while one is listed but does not open yet, retry() is due on a timer: soon at
// first, then every five seconds.
#pragma once

#include "app/connection/PortOpening.h"
#include "devices/PortSettings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class Device;
class Timer;

class DeviceWait {
public:
    struct Wanted {
        std::string name;
        PortSettings settings;
        std::string identity; // the adapter's by-id name, "" when it could not be told
    };

    explicit DeviceWait(std::function<void()> retry);
    DeviceWait(const DeviceWait&) = delete;
    DeviceWait& operator=(const DeviceWait&) = delete;
    ~DeviceWait();

    // Starts waiting, the retries' pace afresh.
    void start(Wanted wanted);
    void stop();
    bool isWaiting() const { return wanted_.has_value(); }
    // Valid while waiting; settings chosen meanwhile go here, for the reopen.
    Wanted& wanted() { return *wanted_; }
    const Wanted& wanted() const { return *wanted_; }
    // How the device pop-up shows the device waited for: "cu.x (disconnected)"; "" when not waiting.
    std::string title() const;

    // Calls retry() after the next delay of the pace, unless a call is due already.
    void scheduleRetry();
    void cancelRetry();

    // What a device received, kept when it had news other than data (closed, failed, going
    // away): a reopen hands it to the record of the returning device, so the crash or boot
    // output the user waited for stays in view.
    void keepReceived(const Device& device);
    void forgetReceived() { received_ = {}; }

    // Opens device, listed under the name waited for, with the wanted settings, unless it is
    // another adapter now or not yet known as the one wanted. done hears whether it opened and
    // what the user must know (why not, or a rate the device refused); a failed try schedules
    // the next. A network port answers later, and not at all if the opening is cancelled.
    void reopen(Device& device, PortOpening& opening, bool identifies, const PortOpening::Done& done);

private:
    std::optional<Wanted> wanted_;
    std::function<void()> retry_;
    std::shared_ptr<Timer> timer_;
    int retries_ = 0; // since the wait began, for the pace of the next
    struct Received {
        std::string name;
        std::string buffer;
        std::uint64_t count = 0;
    };
    Received received_;
};
