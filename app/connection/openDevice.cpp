#include "app/connection/openDevice.h"

#include "app/connection/describeOpenFailure.h"
#include "devices/Device.h"
#include "serial/SerialController.h"

#include <cerrno>

bool openDevice(SerialController& serial, Device& device, std::string& status)
{
    if (!serial.openPort(&device)) {
        status = serial.lastError() == EBUSY ? describeBusyPort(device.getAddr(), serial.portHolder())
                                             : describeOpenFailure(device.path(), serial.lastError());
        return false;
    }
    // Never silently at another rate.
    status = describeRateShortfall(device.getAddr(), SerialController::requestedRate(device.getBaud()),
                                   serial.runningRate());
    return true;
}
