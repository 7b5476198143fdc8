// ser2net, the real RFC 2217 server, run by a test on loopback: it serves one device (a pty
// slave) on a port of its own with the test's YAML configuration in a scratch folder, and is
// stopped and started again at will. available() is false where ser2net is not installed.
#pragma once

#include "tests/support/TempDir.h"

#include <string>
#include <string_view>
#include <sys/types.h>

class Ser2net {
public:
    // `accepter` is the gensio stack in front of the port: "telnet(rfc2217)", "telnet" or "".
    Ser2net(std::string device, std::string_view accepter);
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;
    ~Ser2net() { stop(); }

    static bool available();
    // Starts it and waits until it listens; throws std::runtime_error when it does not.
    void start();
    void stop();
    int port() const { return port_; }
    std::string address(std::string_view scheme) const { return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_); }

private:
    bool listening() const;

    TempDir dir_;
    std::string device_;
    int port_ = 0;
    pid_t pid_ = -1;
};
