#include "app/connection/sendToDevice.h"

#include "devices/Device.h"
#include "serial/SerialController.h"

#include <climits>
#include <cstring>

std::string sendToDevice(SerialController& serial, Device& device, std::string_view bytes)
{
    if (bytes.size() > INT_MAX)
        return "The message is too long to send at once. Nothing was sent.";
    if (serial.sendOnPort(&device, bytes.data(), static_cast<int>(bytes.size())))
        return "";
    if (device.getPortHandle() == -1)
        return std::string("The port of ") + device.getAddr() + " is closed. Switch reading on to open it.";
    return std::string("Sending to ") + device.getAddr() + " failed: " + std::strerror(serial.lastError()) + ".";
}
