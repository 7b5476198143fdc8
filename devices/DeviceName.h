// Which entries of the device folder are serial ports worth listing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace DeviceName {

// Names this long or longer are never listed.
inline constexpr std::size_t maxLength = 128;

// "cu." names everywhere (case-sensitive); on Linux also the kernel's serial port names.
// Names of maxLength or more are left out: hasSerialPortPrefix() tells which of those were
// serial ports, so the user can be told.
bool isSerialPortName(std::string_view name);
bool hasSerialPortPrefix(std::string_view name);
// PCs announce dozens of ttyS ports with no UART behind them; the kernel marks those
// with type 0 under /sys/class/tty/NAME/type.
bool isPhantomPort(const std::string& sysClassTtyDir, const std::string& name);

} // namespace DeviceName
