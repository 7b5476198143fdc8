// The record of one serial device: its name and folder, the port settings chosen for it,
// its open port (or none), the windows reading it and what it received. Windows sharing a
// device share its record, and so its port.
#pragma once

#include "devices/Port.h"
#include "devices/PortSettings.h"
#include "toolkit/Moment.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

    // The settings the port is opened with; a new record has 9600 none-8-1 None.
    const PortSettings& getSettings() const { return settings_; }
    void setSettings(const PortSettings& settings) { settings_ = settings; }
    int getBaud() const { return settings_.baud; }
    void setBaud(int baud) { settings_.baud = baud; }
    int getPacketFlag() const { return settings_.packet; }
    void setPacketFlag(int flag) { settings_.packet = flag; }
    int getFlowFlag() const { return settings_.flow; }
    void setFlowFlag(int flag) { settings_.flow = flag; }
    // Whether DTR and RTS are to be asserted; the driver puts them so at every opening.
    // Both are asserted at first, as opening a port does by itself.
    bool getDtr() const { return settings_.dtr; }
    void setDtr(bool on) { settings_.dtr = on; }
    bool getRts() const { return settings_.rts; }
    void setRts(bool on) { settings_.rts = on; }

    void setEnabledTrue() { enabled_ = true; }
    void setEnabledFalse() { enabled_ = false; }
    bool isEnabled() const { return enabled_; }

    // Which adapter this is, whatever name it has now (its /dev/serial/by-id link), or "" when
    // that can't be told. Two devices under one name in turn are told apart by it.
    const std::string& getIdentity() const { return identity_; }
    void setIdentity(std::string identity) { identity_ = std::move(identity); }

    void setFound() { found_ = true; }
    void setNotFound() { found_ = false; }
    bool getFound() const { return found_; }

    // The record's open port, or nullptr. Setting one closes the port it had first, so a
    // port can never be dropped open.
    void setPort(std::unique_ptr<Port> port);
    Port* getPort() const { return port_.get(); }
    // The open port's descriptor, -1 while none is open.
    int getPortHandle() const { return port_ ? port_->descriptor() : -1; }
    // The options read from the device when its port was opened, restored on close;
    // nullptr while no port is open.
    termios* getOptions() const { return port_ ? port_->savedOptions() : nullptr; }

    // Closes the port, if any (see Port::close). Answers 0, or the errno of a failed close;
    // the port is gone either way.
    int releasePort();

    // The bytes received, at most maxRecvChars; zero bytes are data. A chunk of up to
    // classicChunk bytes that would overflow pushes out as many of the oldest bytes as it
    // brings; after a longer one the buffer holds the newest maxRecvChars.
    static constexpr std::size_t classicChunk = 512;
    void appendRecvBuf(const char* bytes, std::size_t count);
    const std::string& getRecvBuf() const { return recvBuffer_; }
    void clearRecvBuffer() { recvBuffer_.clear(); }
    // Characters appended since the record was made; never goes back, not even on clear,
    // so a view can tell how much arrived since it last looked.
    std::uint64_t getRecvCount() const { return recvCount_; }
    // A record made for a device that came back under its name takes what the record before
    // it received, and its count, so a view goes on where it was. Only a record that has
    // received nothing yet takes it; answers whether it did.
    bool adoptReceived(std::string buffer, std::uint64_t count);

    // Bytes received and sent since the port was last opened, for every window on the device.
    std::uint64_t getReceivedSinceOpen() const { return receivedSinceOpen_; }
    std::uint64_t getSentSinceOpen() const { return sentSinceOpen_; }
    void addSent(std::size_t count) { sentSinceOpen_ += count; }

    // The windows reading this device, so the last one to close can close the port.
    // A reader is any token unique to its window; adding one twice counts it once.
    void addReader(const void* reader);
    void removeReader(const void* reader);
    bool hasReaders() const { return !readers_.empty(); }

    // Windows showing this device hear of what happens to it: the bytes of each read (every
    // byte once, in order) with when the port had them ready, and, with no bytes, any other
    // news: the port closed or failed, the record is going away. Any token unique to the
    // window names it.
    using Listener = std::function<void(std::string_view bytes, const Moment& at)>;
    void addListener(const void* who, Listener listener);
    void removeListener(const void* who);
    bool hasListener(const void* who) const;
    // Appends bytes read from the port to the buffer and hands them to every listener.
    void deliver(const char* bytes, std::size_t count, const Moment& at = Moment::now());
    // Tells every listener there is news without bytes.
    void announce();
    // The error that stopped reading the port, 0 while none; cleared when a port is set.
    int getReadError() const { return readError_; }
    void setReadError(int error);
    // Output lost to a failed write: the error and how many bytes were dropped, until the
    // next failure or a window took the news (takeWriteFailure answers it and forgets it).
    void setWriteFailure(int error, std::size_t dropped);
    std::pair<int, std::size_t> takeWriteFailure() { return std::exchange(writeFailure_, {0, 0}); }
    // While a file transfer program has the port, its bytes are the program's: no window reads
    // the port, and its readable watch stays paused. Cleared when a port is set.
    void setLent(bool lent) { lent_ = lent; }
    bool isLent() const { return lent_; }

private:
    PortSettings settings_;
    std::string address_;
    std::string directory_;
    std::string identity_;
    std::string recvBuffer_;
    std::uint64_t recvCount_ = 0;
    std::uint64_t receivedSinceOpen_ = 0;
    std::uint64_t sentSinceOpen_ = 0;
    std::unique_ptr<Port> port_;
    std::vector<const void*> readers_;
    std::vector<std::pair<const void*, Listener>> listeners_;
    int readError_ = 0;
    std::pair<int, std::size_t> writeFailure_{0, 0};
    bool enabled_ = false;
    bool found_ = true;
    bool lent_ = false;
};
