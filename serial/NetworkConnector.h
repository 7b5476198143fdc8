// Opens a network port without ever blocking its caller: the host name is looked up on a
// thread of its own, its addresses are connected to in turn without waiting, and the port is
// let settle (telnet options, RFC 2217 settings), all within one time limit. The outcome comes
// once, on the run loop, never before start() returns. Destroying the connector cancels it; a
// lookup still running then finishes by itself and is forgotten.
#pragma once

#include "devices/PortSettings.h"
#include "serial/NetworkAddress.h"
#include "toolkit/FileDescriptor.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <vector>

class NetworkPort;
class ReadWatch;
class Timer;

class NetworkConnector {
public:
    struct Result {
        std::unique_ptr<NetworkPort> port; // the settled port, or nullptr
        int error = 0;                     // errno-like: ECONNREFUSED, EHOSTUNREACH, ETIMEDOUT...
        std::string message;               // for the status bar: what happened, in words
    };
    using Done = std::function<void(Result result)>;
    static constexpr std::chrono::milliseconds defaultTimeout{10000};

    // `address` is parsed here; one that does not parse fails (EINVAL) with parse()'s words.
    NetworkConnector(std::string address, PortSettings settings, Done done,
                     std::chrono::milliseconds timeout = defaultTimeout);
    NetworkConnector(const NetworkConnector&) = delete;
    NetworkConnector& operator=(const NetworkConnector&) = delete;
    ~NetworkConnector();

    void start();

private:
    struct Lookup; // shared with the thread that looks the name up
    struct Candidate {
        sockaddr_storage address;
        socklen_t length;
    };

    void lookedUp();
    void tryNext();
    void connected(FileDescriptor socket);
    void settled(const std::string& failure);
    void timedOut();
    void fail(int error, std::string message);
    void finish(Result result);
    std::string connectFailure(int error) const;

    std::string text_;
    NetworkAddress address_;
    PortSettings settings_;
    Done done_;
    std::chrono::milliseconds timeout_;
    std::shared_ptr<Lookup> lookup_;
    std::shared_ptr<ReadWatch> lookupWatch_;
    std::vector<Candidate> candidates_;
    std::size_t next_ = 0;
    int lastError_ = 0;
    FileDescriptor connecting_;
    std::shared_ptr<ReadWatch> connectWatch_;
    std::unique_ptr<NetworkPort> port_;
    std::shared_ptr<Timer> deadline_;
};
