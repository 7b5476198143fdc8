#include "app/connection/DeviceWait.h"

#include "devices/Device.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <cerrno>

namespace {

// Most passing reasons pass within a second or two; after that a slow pace costs nothing.
double retryDelay(int attempt)
{
    constexpr double first[] = {0.5, 1.0, 2.0};
    return attempt < 3 ? first[attempt] : 5.0;
}

} // namespace

DeviceWait::DeviceWait(std::function<void()> retry) : retry_(std::move(retry)) {}

DeviceWait::~DeviceWait()
{
    cancelRetry();
}

void DeviceWait::start(Wanted wanted)
{
    cancelRetry();
    retries_ = 0;
    wanted_ = std::move(wanted);
}

void DeviceWait::stop()
{
    cancelRetry();
    wanted_.reset();
}

std::string DeviceWait::title() const
{
    return wanted_ ? wanted_->name + " (disconnected)" : std::string();
}

void DeviceWait::scheduleRetry()
{
    if (!wanted_ || timer_)
        return;
    timer_ = Timer::timerWithTimeInterval(retryDelay(retries_++), [this](Timer&) {
        timer_.reset();
        if (wanted_)
            retry_();
    }, false);
    RunLoop::currentRunLoop().addTimer(timer_);
}

void DeviceWait::cancelRetry()
{
    if (timer_)
        timer_->invalidate();
    timer_.reset();
}

void DeviceWait::keepReceived(const Device& device)
{
    received_ = {device.getAddr(), device.getRecvBuf(), device.getRecvCount()};
}

void DeviceWait::reopen(Device& device, PortOpening& opening, bool identifies, const PortOpening::Done& done)
{
    const Wanted& wanted = *wanted_;
    // Only an adapter known both then and now can be told to be another one.
    const std::string& identity = device.getIdentity();
    if (!wanted.identity.empty() && !identity.empty() && identity != wanted.identity) {
        done(false, "A different device (" + identity + ") now has the name " + wanted.name + "; still waiting for " +
                        wanted.identity);
        return;
    }
    if (!wanted.identity.empty() && identity.empty() && identifies) {
        // Its by-id link may be a moment behind the node: the link's arrival rescans, and the
        // retries look again.
        scheduleRetry();
        done(false, wanted.name + " is back, but not yet known as " + wanted.identity + "; still waiting for it");
        return;
    }
    // Another window waiting for it may have reopened it already: that port is joined.
    if (device.getPortHandle() != -1) {
        done(true, "");
        return;
    }
    if (received_.name == wanted.name)
        device.adoptReceived(received_.buffer, received_.count);
    device.setSettings(wanted.settings);
    opening.open(device, [this, &opening, name = wanted.name, done](bool opened, const std::string& status) {
        if (opened) {
            done(true, status);
            return;
        }
        // Not ready yet, or gone again. Busy is the usual passing state (ModemManager probes
        // every new modem-like port); anything else the user may have to fix.
        scheduleRetry();
        if (opening.lastError() == EBUSY) {
            done(false, status + "; waiting for it to be free");
            return;
        }
        const bool ended = !status.empty() && status.back() == '.';
        done(false, status + (ended ? " " : ". ") + "Still waiting for " + name + " and trying again.");
    });
}
