// A TCP server on 127.0.0.1 that a test scripts by hand: it listens on a port of the system's
// choosing, accepts one client, and reads and writes with deadlines, so a test can play a
// telnet server, a raw serial bridge, or one that never answers. Throws on a failed socket call.
#pragma once

#include "toolkit/FileDescriptor.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/socket.h>

class LoopbackServer {
#ifdef MSG_NOSIGNAL
    static constexpr int sendFlags = MSG_NOSIGNAL;
#else
    static constexpr int sendFlags = 0;
#endif

public:
    LoopbackServer() : listener_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (!listener_ || ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_.get(), 4) != 0 ||
            ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error(std::string("loopback server: ") + std::strerror(errno));
        port_ = ntohs(address.sin_port);
    }

    int port() const { return port_; }
    std::string address(std::string_view scheme) const { return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_); }
    int client() const { return client_.get(); }

    // True once a client is connected: one that is waiting now is taken.
    bool accept()
    {
        if (!client_ && ready(listener_.get(), POLLIN, 0))
            client_.reset(::accept(listener_.get(), nullptr, nullptr));
        return static_cast<bool>(client_);
    }
    void write(std::string_view bytes) const
    {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(client_.get(), bytes.data(), bytes.size(), sendFlags);
            if (sent <= 0)
                throw std::runtime_error(std::string("loopback server send: ") + std::strerror(errno));
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
    }
    // What the client sent until `count` bytes came or `timeout` passed.
    std::string read(std::size_t count, std::chrono::milliseconds timeout) const
    {
        std::string received;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        char chunk[65536];
        while (received.size() < count) {
            // Looked at once at least, however short the time.
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (!ready(client_.get(), POLLIN, static_cast<int>(std::max<long>(left.count(), 0))))
                break;
            const ssize_t got = ::recv(client_.get(), chunk, sizeof chunk, 0);
            if (got <= 0)
                break;
            received.append(chunk, static_cast<std::size_t>(got));
        }
        return received;
    }
    void dropClient() { client_.reset(); }
    void stopListening() { listener_.reset(); }

private:
    static bool ready(int fd, short events, int timeoutMs)
    {
        pollfd entry{fd, events, 0};
        return ::poll(&entry, 1, timeoutMs) > 0;
    }

    FileDescriptor listener_;
    FileDescriptor client_;
    int port_ = 0;
};
