// Moves bytes between a device's open port and its record as soon as the port is ready, for
// every window showing the device: each readiness reads what waits (64 KiB at most, so one
// busy port can't starve the others) into the record, which hands it to its listeners, and
// queued output goes out whenever the port takes more. Nothing here belongs to a window.
#pragma once

#include <cstddef>

class Device;

namespace PortPump {

inline constexpr std::size_t maxReadPerWake = 64 * 1024;
// A wake-up that finds less than this, with no bigger one for a while, leaves the rest to the
// ticks: at a slow stream each byte would otherwise cost a wake-up of its own.
inline constexpr std::size_t littleData = 256;

// Reads the device's port whenever it has data, from now until it closes.
void startReading(Device& device);
// A window's tick: reads what a paused port holds (nothing while it is lent, Device::setLent);
// watches it again once it is quiet, or when the stream has grown too fast for the ticks.
void resume(Device& device);
// Output was queued: writes it whenever the port can take more, until none is left. A write
// that fails drops the queue and tells the record (Device::setWriteFailure).
void flushOutput(Device& device);

} // namespace PortPump
