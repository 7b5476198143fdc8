#include "app/connection/PortOpening.h"

#include "app/connection/describeOpenFailure.h"
#include "app/connection/openDevice.h"
#include "devices/Device.h"
#include "serial/SerialController.h"

PortOpening::PortOpening(SerialController& serial, std::function<void(const std::string&)> tell)
    : serial_(serial), tell_(std::move(tell))
{
}

void PortOpening::open(Device& device, Done done)
{
    if (!SerialController::isNetworkAddress(device.getAddr())) {
        std::string status;
        const bool opened = openDevice(serial_, device, status);
        done(opened, status);
        return;
    }
    const std::string name = device.getAddr();
    tell_("Connecting to " + name + "\u2026");
    serial_.openPortAsync(&device, [this, &device, name, done = std::move(done)](bool opened) {
        if (opened)
            done(true, describeRateShortfall(name, SerialController::requestedRate(device.getBaud()), serial_.runningRate()));
        else
            done(false, serial_.openFailure());
    });
}

bool PortOpening::isConnecting() const
{
    return serial_.isOpening();
}

int PortOpening::lastError() const
{
    return serial_.lastError();
}

void PortOpening::cancel()
{
    serial_.cancelOpen();
}
