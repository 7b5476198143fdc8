// Opens a device record's port with its settings, putting what the user must know into
// status: why it did not open (who holds a busy port, a permission the user lacks), or that
// it runs at another rate than the one asked for; "" when it opened as asked.
#pragma once

#include <string>

class Device;
class SerialController;

bool openDevice(SerialController& serial, Device& device, std::string& status);
