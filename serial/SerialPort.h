// A serial port opened with termios: owns the descriptor, the options to restore, the
// output that has not gone out yet and the watch of whoever waits for it, and closes
// everything when destroyed. Never blocks; SerialController adds the log lines.
#pragma once

#include "devices/Port.h"

#include <memory>
#include <string>
#include <termios.h>
#include <utility>
#include <vector>

class ReadWatch;

class SerialPort final : public Port {
public:
    // Opens path and applies the settings (printing their SETTING lines). Nothing when the
    // path can't be opened or is not a terminal that takes them; error says why. `name` is
    // how messages on stderr call the device.
    static std::unique_ptr<SerialPort> open(const std::string& path, std::string name, int baud, int packetFlag,
                                            int flowFlag, int& error);
    ~SerialPort() override;

    int descriptor() const override { return fd_; }
    termios* savedOptions() override { return &saved_; }
    int close() override;

    long read(char* buffer, std::size_t size) override;
    void queue(std::string_view bytes) override { pending_.append(bytes); }
    long writeQueued() override;
    std::size_t pendingBytes() const override { return pending_.size(); }
    void dropPendingOutput(std::string_view reason) override;
    bool isHungUp() const override;

    void addWaker(const void* who, std::function<void()> wake) override;
    void removeWaker(const void* who) override;

private:
    SerialPort(int fd, std::string name);
    bool configure(int baud, int packetFlag, int flowFlag);
    void stopWatching();
    void wakeAll();

    int fd_;
    std::string name_;
    termios saved_{};
    bool haveSaved_ = false; // only options really read from the device are put back
    std::string pending_;
    std::vector<std::pair<const void*, std::function<void()>>> wakers_;
    std::shared_ptr<ReadWatch> watch_; // on the descriptor, while someone waits for it
};
