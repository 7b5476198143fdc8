// A pseudo-terminal pair for tests and benchmarks: the slave stands in for a serial device,
// the caller plays the far end on the (non-blocking) master. Both descriptors close with the
// object; a failure throws std::runtime_error.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <termios.h>

class Pty {
public:
    Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    ~Pty();

    int master() const { return master_; }
    // Kept open so the terminal and its settings outlive the driver's own descriptor.
    int slave() const { return slave_; }
    const std::string& slavePath() const { return slavePath_; }
    // The settings the device has now, as another program opening it would see them.
    termios slaveOptions() const;
    // Bytes pass unchanged both ways, as through a serial port the driver has opened.
    void makeRaw() const;

    void writeMaster(std::string_view bytes) const;
    // Reads what the far end received until `count` bytes came or the deadline passed.
    std::string readMaster(std::size_t count, std::chrono::milliseconds timeout) const;
    // The far end goes away, as when a USB adapter is pulled.
    void hangUp();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};
