#include "app/PortPump.h"

#include "devices/Device.h"
#include "serial/SerialController.h"

#include <algorithm>
#include <vector>

namespace {

// One driver for every port: it keeps nothing but the last error, which each use reads at once.
SerialController& driver()
{
    static SerialController serial;
    return serial;
}

// Reads what the port holds, up to the chunk; answers how much came.
std::size_t readWaiting(Device& device)
{
    static std::vector<char> buffer(PortPump::maxReadPerWake);
    SerialController& serial = driver();
    std::size_t total = 0;
    while (total < PortPump::maxReadPerWake && device.getPort()) {
        // Sized to what waits, so a read never comes back empty in the middle of a stream; a
        // readiness with nothing waiting is a hang-up or an error, which the read tells.
        const std::size_t waiting = device.getPort()->bytesWaiting();
        const std::size_t want = std::clamp<std::size_t>(waiting, 1, PortPump::maxReadPerWake - total);
        const int count = serial.readPort(&device, buffer.data(), static_cast<int>(want));
        if (count < 0) {
            if (Port* port = device.getPort())
                port->pauseReadable();
            device.setReadError(serial.lastError());
            break;
        }
        if (count == 0)
            break;
        total += static_cast<std::size_t>(count);
        device.deliver(buffer.data(), static_cast<std::size_t>(count));
        if (!device.getPort() || device.getPort()->bytesWaiting() == 0)
            break;
    }
    return total;
}

} // namespace

void PortPump::startReading(Device& device)
{
    Port* port = device.getPort();
    if (!port || port->isWatchingReadable())
        return;
    // The record owns the port and the port owns the watch: the record outlives every call.
    port->watchReadable([&device] {
        if (readWaiting(device) < littleData)
            if (Port* open = device.getPort())
                open->pauseReadable();
    });
}

void PortPump::resume(Device& device)
{
    Port* port = device.getPort();
    if (!port || !port->isReadablePaused())
        return;
    if (port->bytesWaiting() > 0)
        readWaiting(device);
    // Watched again, so the next byte after an idle spell is read the moment it comes.
    if (Port* open = device.getPort(); open && !device.getReadError())
        open->resumeReadable();
}

void PortPump::flushOutput(Device& device)
{
    Port* port = device.getPort();
    if (!port || port->pendingBytes() == 0 || port->isWatchingWritable())
        return;
    port->watchWritable([&device] {
        Port* open = device.getPort();
        if (!open)
            return;
        SerialController& serial = driver();
        if (!serial.drainOutput(&device)) {
            open->stopWatchingWritable();
            device.setWriteFailure(serial.lastError(), serial.droppedBytes());
        } else if (open->pendingBytes() == 0) {
            open->stopWatchingWritable();
        }
    });
}
