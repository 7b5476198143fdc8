// Opens a device record's port with the record's settings, reads and writes it without
// ever blocking, and closes it, printing a line for each. Each window has one; the port
// itself (a SerialPort) belongs to the record, so windows sharing a device share it.
#pragma once

#include <cstddef>

class Device;
class Port;

class SerialController {
public:
    // Closes the record's port first if it has one. False for no record, or when the path
    // can't be opened or isn't a terminal that takes the settings (lastError() says why).
    bool openPort(Device* device);
    // Restores the options saved at opening and closes the port. False for no record, no
    // open port, or a failed close (the port is released all the same).
    bool closePort(Device* device);
    // One non-blocking read of at most bufSiz bytes (the buffer is zeroed first). Answers
    // the number of bytes read, 0 when none were waiting, -1 on an error or without a port.
    int readPort(Device* device, char* buffer, int bufSiz);
    // Writes what the port takes now and queues the rest on the record behind anything
    // already queued. True once every byte is written or queued; false without a port or
    // when the write fails, in which case all queued bytes are dropped.
    bool sendOnPort(Device* device, const char* msg, int length);
    // Writes queued bytes as far as the port takes them now; call it on every tick.
    // False when a write fails (the queue is then dropped).
    bool drainOutput(Device* device);
    std::size_t pendingBytes(const Device* device) const;
    // How many queued bytes the last failed write dropped.
    std::size_t droppedBytes() const { return droppedBytes_; }
    // The errno of the last open, read or write that failed; EIO or ENXIO mean the device
    // went away.
    int lastError() const { return lastError_; }
    // True when the other end hung up: the device was unplugged or the pty master closed.
    bool isHungUp(const Device* device) const;

private:
    // One write from the front of the device's port queue, counted as sent; false when it failed.
    bool writeQueued(Device& device, Port& port);

    int lastError_ = 0;
    std::size_t droppedBytes_ = 0;
};
