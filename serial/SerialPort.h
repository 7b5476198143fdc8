// A serial port opened with termios: owns the descriptor, the options to restore, the
// output that has not gone out yet, a repeat's thread and the watch of whoever waits for
// output, and closes everything when destroyed. Never blocks; SerialController adds the log
// lines.
#pragma once

#include "devices/Port.h"
#include "serial/PortOutput.h"

#include <memory>
#include <string>
#include <termios.h>

class ArrivalClock;
class ReadWatch;
class RepeatWriter;

class SerialPort final : public Port {
public:
    // Opens path, claims it for this program alone and applies the settings (printing their
    // SETTING lines). Nothing when the path can't be opened, another program holds it (error
    // EBUSY) or it is not a terminal that takes them; error says why. `name` is how messages
    // on stderr call the device.
    static std::unique_ptr<SerialPort> open(const std::string& path, std::string name, int baud, int packetFlag,
                                            int flowFlag, int& error);
    ~SerialPort() override;

    int descriptor() const override { return fd_; }
    termios* savedOptions() override { return &saved_; }
    int close() override;

    long read(char* buffer, std::size_t size) override;
    long readWithArrivals(char* buffer, std::size_t size, std::vector<Arrival>& arrivals) override;
    void queue(std::string_view bytes) override { output_.append(bytes); }
    long writeQueued() override;
    std::size_t pendingBytes() const override { return output_.size(); }
    void dropPendingOutput(std::string_view reason) override;
    std::shared_ptr<PortRepeat> repeat(std::string message, std::chrono::nanoseconds interval) override;
    bool isHungUp() const override;
    std::size_t bytesWaiting() const override;

    void watchReadable(std::function<void()> onReadable) override;
    bool isWatchingReadable() const override { return static_cast<bool>(onReadable_); }
    void pauseReadable() override;
    void resumeReadable() override;
    bool isReadablePaused() const override { return onReadable_ && !readWatch_; }
    void watchWritable(std::function<void()> onWritable) override;
    void stopWatchingWritable() override;
    bool isWatchingWritable() const override { return static_cast<bool>(writeWatch_); }

private:
    SerialPort(int fd, std::string name);
    bool configure(int baud, int packetFlag, int flowFlag);
    // The claim careful terminal programs respect (picocom, tio, minicom with lock files
    // aside): a lock on the open file and the tty's exclusive mode. False, with errno
    // EBUSY, when someone else has the lock.
    bool claim();

    int fd_;
    std::string name_;
    termios saved_{};
    bool haveSaved_ = false; // only options really read from the device are put back
    unsigned savedRate_ = 0; // a rate termios has no constant for (Linux), else 0
    bool exclusive_ = false; // the tty's exclusive mode is ours to end
    bool shared_ = false;    // another program had the port open when we claimed it
    PortOutput output_;
    std::weak_ptr<RepeatWriter> repeat_; // its holder keeps it; the port ends it on close
    std::function<void()> onReadable_;
    std::shared_ptr<ReadWatch> readWatch_;  // while reading is watched and not paused
    std::shared_ptr<ReadWatch> writeWatch_; // while output waits for room
    std::unique_ptr<ArrivalClock> arrivals_; // from the first watched read until closed
};
