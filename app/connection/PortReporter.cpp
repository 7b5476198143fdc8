#include "app/connection/PortReporter.h"

#include "app/connection/SettingTitles.h"
#include "app/stream/ReceivedStream.h"
#include "devices/Device.h"
#include "toolkit/Clock.h"

void PortReporter::follow(const Device* device)
{
    const bool open = device && device->getPortHandle() != -1 && device->getReadError() == 0;
    if (open == toldOpen_ && (!open || toldName_ == device->getAddr()))
        return;
    const Moment now = Clock::now();
    if (toldOpen_) {
        PortEvent event;
        event.name = toldName_;
        event.at = now;
        // A record that failed, or is gone, went away; one the window left was closed.
        if (device && device->getAddr() == toldName_ && device->getReadError() != 0) {
            event.kind = PortEvent::Kind::Gone;
            event.error = device->getReadError();
        } else {
            event.kind = device ? PortEvent::Kind::Closed : PortEvent::Kind::Gone;
        }
        goneName_ = event.kind == PortEvent::Kind::Gone ? toldName_ : "";
        stream_.announce(event);
    }
    if (open) {
        PortEvent event;
        event.kind = goneName_ == device->getAddr() ? PortEvent::Kind::Reconnected : PortEvent::Kind::Opened;
        event.name = device->getAddr();
        event.settings = device->getSettings();
        event.settingsTitle = SettingTitles::of(event.settings);
        event.at = now;
        goneName_.clear();
        stream_.announce(event);
    }
    toldOpen_ = open;
    toldName_ = device ? device->getAddr() : "";
}
