#include "app/terminal/startWindow.h"

#include "app/terminal/MyDocument.h"
#include "devices/Device.h"
#include "serial/SerialController.h"
#include "toolkit/Stderr.h"

#include <cstdlib>
#include <memory>

namespace {

// "" for a path that leads nowhere.
std::string realPath(const std::string& path)
{
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

PortSettings adjusted(PortSettings settings, const StartOptions& options)
{
    if (options.baud)
        settings.baud = *options.baud;
    if (options.packetFlag)
        settings.packet = *options.packetFlag;
    if (options.flowFlag)
        settings.flow = *options.flowFlag;
    return settings;
}

void tell(MyDocument& document, const std::string& text)
{
    document.tellUser(text);
    Stderr::line(text);
}

void choosePort(MyDocument& document, const StartOptions& options, const std::string& given)
{
    if (SerialController::isNetworkAddress(given)) {
        document.openNetworkPort(given, adjusted(PortSettings{}, options));
        return;
    }
    const std::string name = listedPortName(given, document.devices());
    Device* device = document.findDevice(name);
    if (!device) {
        tell(document, name + " is not connected; choose a device when it is.");
        return;
    }
    device->setSettings(adjusted(device->getSettings(), options));
    // As a choice in the device pop-up, with its log lines.
    document.controls.devicePU.selectItemWithTitle(name);
    document.setDevice(document.controls.devicePU);
    // A choice of the device the window already shows opens nothing: reading is switched on.
    if (!document.isReading())
        document.controls.readToggle.userSelectSegment(1);
}

} // namespace

std::string listedPortName(std::string_view given, DeviceList& devices)
{
    const std::string text(given);
    if (text.find('/') == std::string::npos)
        return text;
    const std::string wanted = realPath(text);
    for (int i = 0; !wanted.empty() && i < devices.getNumDevices(); ++i) {
        const Device* device = devices.getDeviceAtIndex(i);
        if (realPath(device->path()) == wanted)
            return device->getAddr();
    }
    // Not listed (yet): named as the folder would list it, if it is in the folder.
    const std::string folder = devices.folders().devices + "/";
    if (text.compare(0, folder.size(), folder) == 0 && text.find('/', folder.size()) == std::string::npos)
        return text.substr(folder.size());
    return text;
}

void startWindow(MyDocument& document, const StartOptions& options, const std::string& port)
{
    if (options.view)
        document.controls.viewFilter.userSelectSegment(*options.view);
    if (options.encoding)
        document.setTextEncoding(*options.encoding);
    if (!port.empty())
        choosePort(document, options, port);
    const auto capture = [&](const std::optional<std::string>& path, Capture::Format format) {
        if (!path)
            return;
        // One file each: a second window on the same path would write over the first's.
        std::string file = *path;
        if (options.ports.size() > 1) {
            std::string suffix = document.deviceName();
            for (char& c : suffix)
                c = (c == '/' || c == ':') ? '_' : c;
            file += "." + suffix;
        }
        if (const std::string why = document.startCapture(file, format); !why.empty())
            tell(document, "Could not capture to " + file + ": " + why);
    };
    capture(options.capture, Capture::Format::Text);
    capture(options.rawCapture, Capture::Format::Raw);
}
