// The record of one serial device: its name and folder, the port settings chosen for it,
// its open port (descriptor and the options to restore on close), what it received and
// what it still has to send.
#pragma once

#include "toolkit/ReadWatch.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>
#include <termios.h>

class Device {
public:
    // The receive buffer never holds more characters than this.
    static constexpr std::size_t maxRecvChars = 2047;

    Device();
    // The name is taken byte for byte; `directory` is the folder the device file lives in.
    explicit Device(std::string_view addr, std::string directory = "/dev");
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    // An open port gets its saved options back and is closed: a scan may drop a record
    // while a window still has its port open.
    ~Device();

    const char* getAddr() const { return address_.c_str(); }
    const std::string& getDirectory() const { return directory_; }
    // Where the driver opens the device: directory, '/', name.
    std::string path() const;

    int getBaud() const { return baud_; }
    void setBaud(int baud) { baud_ = baud; }
    int getPacketFlag() const { return packetFlag_; }
    void setPacketFlag(int flag) { packetFlag_ = flag; }
    int getFlowFlag() const { return flowFlag_; }
    void setFlowFlag(int flag) { flowFlag_ = flag; }

    void setEnabledTrue() { enabled_ = true; }
    void setEnabledFalse() { enabled_ = false; }
    bool isEnabled() const { return enabled_; }

    void setFound() { found_ = true; }
    void setNotFound() { found_ = false; }
    bool getFound() const { return found_; }

    // The descriptor of this record's open port, -1 while none is open. The record owns
    // it from here on: releasePort() or the destructor closes it.
    void setPortHandle(int fd) { portHandle_ = fd; }
    int getPortHandle() const { return portHandle_; }
    // The options read from the device when its port was opened, restored on close.
    termios* getOptions() { return &options_; }

    // Restores the saved options, drops unsent output (saying so on stderr) and closes the
    // port. Answers 0, or the errno of a failed close; the descriptor is gone either way.
    int releasePort();

    // Each byte becomes one character, 0x00-0xFF as U+0000-U+00FF; zero bytes are data.
    void appendRecvBuf(const char* bytes, std::size_t count);
    const std::u16string& getRecvBuf() const { return recvBuffer_; }
    void clearRecvBuffer() { recvBuffer_.clear(); }
    // Characters appended since the record was made; never goes back, not even on clear,
    // so a view can tell how much arrived since it last looked.
    std::uint64_t getRecvCount() const { return recvCount_; }

    // Bytes sent but not yet taken by the port, oldest first.
    std::string& pendingOutput() { return pendingOutput_; }
    const std::string& pendingOutput() const { return pendingOutput_; }
    // Empties the queue, telling stderr how many bytes were lost and why.
    void dropPendingOutput(std::string_view reason);

    // The windows reading this device, so the last one to close can close the port.
    // A reader is any token unique to its window; adding one twice counts it once.
    void addReader(const void* reader);
    void removeReader(const void* reader);
    bool hasReaders() const { return !readers_.empty(); }

    // A window that stops polling an idle port asks to be woken once, when the port has data,
    // hangs up or closes. Waking it forgets it; a reader is any token unique to its window.
    void addWaker(const void* who, std::function<void()> wake);
    void removeWaker(const void* who);

private:
    void stopWatching();
    void wakeAll();

    int baud_ = 9600;
    std::string address_;
    std::string directory_;
    std::u16string recvBuffer_;
    std::uint64_t recvCount_ = 0;
    std::string pendingOutput_;
    std::vector<const void*> readers_;
    std::vector<std::pair<const void*, std::function<void()>>> wakers_;
    std::shared_ptr<ReadWatch> watch_; // on the port, while someone waits for it
    bool enabled_ = false;
    bool found_ = true;
    int packetFlag_ = 0;
    int flowFlag_ = 0;
    int portHandle_ = -1;
    termios options_{};
};
