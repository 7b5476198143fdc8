// Sends bytes to a device's open port as they stand: what the port takes now is written, the
// rest queued behind anything already queued. Answers "" when every byte is written or queued,
// else what the user must know (the port is closed, the write failed).
#pragma once

#include <string>
#include <string_view>

class Device;
class SerialController;

std::string sendToDevice(SerialController& serial, Device& device, std::string_view bytes);
