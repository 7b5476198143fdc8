#include "app/connection/PortPump.h"

#include "devices/Device.h"
#include "serial/SerialController.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// How long a read that found much keeps the port read at every readiness.
constexpr auto busySpell = std::chrono::milliseconds(100);
// A tick that finds this much is in a fast stream: faster than the ticks should carry.
constexpr std::size_t aLotPerTick = 4096;

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
        static std::vector<Port::Arrival> arrivals;
        arrivals.clear();
        const int count = serial.readPort(&device, buffer.data(), static_cast<int>(want), arrivals);
        if (count < 0) {
            if (Port* port = device.getPort())
                port->pauseReadable();
            device.setReadError(serial.lastError());
            break;
        }
        if (count == 0)
            break;
        total += static_cast<std::size_t>(count);
        // Bytes that came at different times are handed on apart, each with its time.
        std::size_t at = 0;
        for (const Port::Arrival& arrival : arrivals) {
            const std::size_t length = std::min(arrival.length, static_cast<std::size_t>(count) - at);
            if (length == 0 || !device.getPort())
                break;
            device.deliver(buffer.data() + at, length, arrival.at);
            at += length;
        }
        if (at < static_cast<std::size_t>(count) && device.getPort()) // a port that told less than it read
            device.deliver(buffer.data() + at, static_cast<std::size_t>(count) - at);
        if (!device.getPort() || device.getPort()->bytesWaiting() == 0)
            break;
    }
    return total;
}

} // namespace

void PortPump::startReading(Device& device)
{
    Port* port = device.getPort();
    if (!port || port->isWatchingReadable() || device.isLent())
        return;
    // The record owns the port and the port owns the watch: the record outlives every call.
    // The port may call a copy of the callback, so what it keeps between calls lives outside.
    auto lastBusy = std::make_shared<Clock::time_point>();
    port->watchReadable([&device, lastBusy] {
        const Clock::time_point now = Clock::now();
        const std::size_t read = readWaiting(device);
        if (read >= littleData)
            *lastBusy = now;
        // Little now and nothing much lately: a slow stream, which the ticks read more cheaply.
        // In a flood a reader that keeps up finds little now and then; it reads on. Only a read
        // that brought bytes may pause: those bytes wake the windows whose ticks read on.
        else if (read > 0 && now - *lastBusy > busySpell)
            if (Port* open = device.getPort())
                open->pauseReadable();
    });
}

void PortPump::resume(Device& device)
{
    Port* port = device.getPort();
    // A transfer program reads the port itself; every byte is its own.
    if (!port || !port->isReadablePaused() || device.isLent())
        return;
    // A slow stream is read here, a tick's worth at a time, with no wake-ups in between. A
    // quiet port, or a stream grown past what the ticks should carry, is watched again, so
    // the next byte after an idle spell, or the rest of a flood, is read the moment it comes.
    const bool quiet = port->bytesWaiting() == 0;
    if ((quiet || readWaiting(device) >= aLotPerTick) && !device.getReadError())
        if (Port* open = device.getPort())
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
