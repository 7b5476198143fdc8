// A port on another machine, over a connected TCP socket that it owns: raw bytes for tcp://,
// telnet for telnet:// and rfc2217://, and for rfc2217:// the remote port's settings and modem
// lines by COM-PORT-OPTION. Reads give data bytes only; queued output goes out with IAC
// doubled. A connection the server drops reads as -EIO and isHungUp(), as a device that went
// away does. Never blocks; NetworkConnector makes one and lets it settle before handing it on.
#pragma once

#include "devices/Port.h"
#include "devices/PortSettings.h"
#include "serial/ComPortClient.h"
#include "serial/NetworkAddress.h"
#include "serial/TelnetCodec.h"
#include "serial/WireQueue.h"
#include "toolkit/FileDescriptor.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class ReadWatch;
class Timer;

class NetworkPort final : public Port {
public:
    NetworkPort(FileDescriptor socket, NetworkAddress address);
    ~NetworkPort() override;

    const NetworkAddress& address() const { return address_; }

    // Starts the telnet negotiation (for telnet and rfc2217), prints the SETTING lines a local
    // port prints for `settings` and, over rfc2217, sends them as soon as the server agrees to
    // COM-PORT-OPTION. `ready` is called once the options are agreed and the settings answered
    // (at once for tcp), with "" or why the port can't serve; until then the port reads by
    // itself, keeping what data comes for the first read.
    void settle(const PortSettings& settings, std::function<void(std::string failure)> ready);
    // Ends settling before `ready` was called (the caller's time ran out): "" when the port can
    // serve all the same (only the answers to the settings are missing), else why not.
    std::string stopSettling();
    // The rate the server said its port runs at, 0 while it said nothing.
    int runningRate() const;
    // Whether every setting sent has been answered.
    bool settingsAnswered() const { return comPort_.settled(); }
    const ComPortClient::Remote& remote() const { return comPort_.remote(); }

    // The modem lines as RFC 2217 tells them; ENOTSUP for tcp and telnet.
    bool hasModemLines() const { return address_.setsSerialPort(); }
    unsigned lines() const;
    void setLines(unsigned lines, bool on);
    void setBreak(bool on);
    // Asks the server to empty its port's buffers (PURGE-DATA).
    void purgeRemote(ComPortClient::Purge which);

    int descriptor() const override { return socket_.get(); }
    // A network port has no termios options of its own.
    termios* savedOptions() override { return nullptr; }
    int close() override;

    long read(char* buffer, std::size_t size) override;
    void queue(std::string_view bytes) override;
    long writeQueued() override;
    std::size_t pendingBytes() const override { return wire_.size(); }
    void dropPendingOutput(std::string_view reason) override;
    bool isHungUp() const override;
    std::size_t bytesWaiting() const override;

    void watchReadable(std::function<void()> onReadable) override;
    bool isWatchingReadable() const override { return static_cast<bool>(onReadable_); }
    void pauseReadable() override;
    void resumeReadable() override;
    bool isReadablePaused() const override { return onReadable_ && !readWatch_; }
    void watchWritable(std::function<void()> onWritable) override;
    void stopWatchingWritable() override;
    bool isWatchingWritable() const override { return static_cast<bool>(writeWatch_) && !flushingByItself_; }

private:
    // One recv, decoded: data appended to `data`; answers -errno, 0 or the bytes received.
    long receive(char* into, std::size_t size, std::string& data);
    void sendControl(const std::string& wire);
    void sendSubnegotiation(const std::string& payload);
    // Writes what the queue holds now; leaves a watch to write the rest when no caller does.
    void flushByItself();
    void sendSettings();
    void checkSettled();
    void readWhileSettling();
    void wakeForKeptData();
    long hangUp(int error);

    FileDescriptor socket_;
    NetworkAddress address_;
    std::optional<TelnetCodec> telnet_;
    ComPortClient comPort_;
    WireQueue wire_;
    std::string received_; // raw bytes of one read, before decoding
    std::string decoded_;
    std::string replies_;
    std::string kept_;      // data that came while settling, for the first reads
    bool hungUp_ = false;
    PortSettings settings_;
    bool settingsSent_ = false;
    unsigned wantedLines_ = 0;
    std::function<void(std::string)> ready_;
    std::shared_ptr<ReadWatch> settleWatch_;
    std::function<void()> onReadable_;
    std::shared_ptr<ReadWatch> readWatch_;
    std::shared_ptr<ReadWatch> writeWatch_;
    bool flushingByItself_ = false;
    std::shared_ptr<Timer> keptDataTimer_;
};
