#include "devices/DeviceName.h"

#include <array>
#include <fstream>

bool DeviceName::isSerialPortName(std::string_view name)
{
    return name.size() < maxLength && hasSerialPortPrefix(name);
}

bool DeviceName::hasSerialPortPrefix(std::string_view name)
{
    if (name.starts_with("cu."))
        return true;
#ifdef __linux__
    static constexpr std::array<std::string_view, 8> linuxPrefixes = {
        "ttyUSB", "ttyACM", "ttyS", "ttyAMA", "ttyXRUSB", "ttyAP", "ttyGS", "rfcomm"};
    for (const std::string_view prefix : linuxPrefixes)
        if (name.starts_with(prefix))
            return true;
#endif
    return false;
}

bool DeviceName::isPhantomPort(const std::string& sysClassTtyDir, const std::string& name)
{
    if (!name.starts_with("ttyS"))
        return false;
    std::ifstream typeFile(sysClassTtyDir + "/" + name + "/type");
    std::string type;
    // No type file (not Linux, or a driver that has none): list the port.
    return typeFile >> type && type == "0";
}
