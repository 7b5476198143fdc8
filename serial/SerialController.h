// Opens a device record's port with the record's settings, reads and writes it without
// ever blocking, and closes it, printing a line for each. Each window has one; the port
// itself (a SerialPort, or a NetworkPort for a network address) belongs to the record, so
// windows sharing a device share it.
#pragma once

#include "devices/Port.h"
#include "serial/ModemLines.h"
#include "serial/PortHolder.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>
#include <string>
#include <string_view>

class Device;
class NetworkConnector;
class Port;

class SerialController {
public:
    SerialController();
    SerialController(const SerialController&) = delete;
    SerialController& operator=(const SerialController&) = delete;
    ~SerialController();

    // Closes the record's port first if it has one. False for no record, or when the path
    // can't be opened, another program holds it (lastError() EBUSY, portHolder() names it
    // when it can) or it isn't a terminal that takes the settings (lastError() says why).
    // Puts DTR and RTS as the record wants them (RTS only without hardware flow control).
    bool openPort(Device* device);
    // A record whose name is a network address (rfc2217://, tcp://, telnet://; see
    // NetworkAddress) is opened by openPortAsync, never by openPort.
    static bool isNetworkAddress(std::string_view name);
    // Starts opening the record's network port with the record's settings and returns at once.
    // `done` is called on the run loop, never before this returns: true once the port is the
    // record's, its settings sent and answered, with the lines openPort prints (SETTING …,
    // "OPEND port") and runningRate() the rate the server answered; false when it could not be
    // opened, lastError() and openFailure() saying why (refused, unreachable, unknown host, no
    // answer within the time limit). Opening again, closePort() of the record and destroying
    // this controller cancel it without calling `done`; so must a record's owner before
    // destroying a record that is being opened.
    void openPortAsync(Device* device, std::function<void(bool opened)> done);
    bool isOpening() const { return connector_ != nullptr; }
    void cancelOpen();
    // How long openPortAsync may take from the name's lookup to the server's last answer.
    void setNetworkTimeout(std::chrono::milliseconds timeout) { networkTimeout_ = timeout; }
    // The words for the last failed openPortAsync, for the status bar.
    const std::string& openFailure() const { return openFailure_; }
    // The rate the port asks for a record's baud: the baud, or 9600 for one not positive.
    static int requestedRate(int baud);
    // The output speed the last successful open read back from the port, 0 if it could not
    // tell; differs from requestedRate() when the device refused or rounded the rate.
    int runningRate() const { return runningRate_; }
    // Whether mark and space parity can be set on this system.
    static bool hasMarkSpaceParity();

    // The modem lines of the record's open port; nothing without one.
    std::unique_ptr<ModemLines> modemLines(const Device* device) const;
    // Replaces how modem lines are made for a descriptor (tests stand in a fake).
    void setModemLinesFactory(ModemLines::Factory factory) { modemLinesFor_ = std::move(factory); }
    // Restores the options saved at opening and closes the port. False for no record, no
    // open port, or a failed close (the port is released all the same).
    bool closePort(Device* device);
    // One non-blocking read of at most bufSiz bytes (the buffer is zeroed first). Answers
    // the number of bytes read, 0 when none were waiting, -1 on an error or without a port.
    int readPort(Device* device, char* buffer, int bufSiz);
    // The same read, also telling when its bytes came (see Port::readWithArrivals).
    int readPort(Device* device, char* buffer, int bufSiz, std::vector<Port::Arrival>& arrivals);
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
    // Who held the port when the last open was refused as busy.
    const std::optional<PortHolder>& portHolder() const { return portHolder_; }
    // True when the other end hung up: the device was unplugged or the pty master closed.
    bool isHungUp(const Device* device) const;

private:
    // One write from the front of the device's port queue, counted as sent; false when it failed.
    bool writeQueued(Device& device, Port& port);

    int lastError_ = 0;
    std::optional<PortHolder> portHolder_;
    std::size_t droppedBytes_ = 0;
    int runningRate_ = 0;
    ModemLines::Factory modemLinesFor_;
    std::unique_ptr<NetworkConnector> connector_;
    const Device* opening_ = nullptr;
    std::string openFailure_;
    std::chrono::milliseconds networkTimeout_{10000};
};
