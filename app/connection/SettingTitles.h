// The names a window shows for port settings: the pop-ups' packet and flow titles, and a whole
// setting as the title bar and the capture's markers read it ("115200 none-8-1 None"). A flag
// outside a table shows as its first entry, since that is how the port takes it.
#pragma once

#include "devices/PortSettings.h"

#include <string>
#include <vector>

namespace SettingTitles {

const std::vector<std::string>& packetTypes(); // "none-8-1", "even-7-1", "odd-7-1"
const std::vector<std::string>& flowTypes();   // "None", "Xon/Xoff", "Hardware"
// A custom format by its own title ("none-8-2"), a named one by the table's.
std::string packet(int flag);
const std::string& flow(int flag);
std::string of(const PortSettings& settings);

} // namespace SettingTitles
