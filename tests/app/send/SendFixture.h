// A device for the sending tests: a pty whose slave this program opens as its port (locked
// and set up as any serial port) behind a PortSink, and whose master the test reads as the
// far end while the run loop turns.
#pragma once

#include "app/send/PortSink.h"
#include "serial/SerialPort.h"
#include "tests/support/Pty.h"
#include "toolkit/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

struct FarEndByte {
    char byte;
    std::chrono::steady_clock::time_point at;
};

struct PtyDevice {
    ~PtyDevice()
    {
        if (stamper.joinable())
            stamper.join();
    }
    PtyDevice()
    {
        int error = 0;
        port = SerialPort::open(pty.slavePath(), "cu.pty", 115200, 0, 0, error);
        if (!port)
            throw std::runtime_error("could not open the pty");
    }

    // Turns the run loop, the far end reading what arrives, until done() or the timeout.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20))
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(1));
            readFarEnd();
        }
        return true;
    }

    void readFarEnd()
    {
        if (pty.master() == -1)
            return;
        char chunk[65536];
        for (ssize_t count; (count = ::read(pty.master(), chunk, sizeof chunk)) > 0;)
            received.append(chunk, static_cast<std::size_t>(count));
    }
    // Notes each byte's arrival on a thread of its own that waits on the far end, so the time
    // noted is when it came, not when the test's loop came round to it.
    void stampOnAThread(std::size_t count)
    {
        std::atomic<bool> started = false;
        stamper = std::thread([this, count, &started] {
            started = true;
            while (stamps.size() < count) {
                pollfd entry{pty.master(), POLLIN, 0};
                if (::poll(&entry, 1, 10000) <= 0)
                    return;
                char byte = 0;
                while (::read(pty.master(), &byte, 1) == 1)
                    stamps.push_back({byte, std::chrono::steady_clock::now()});
            }
        });
        // The first byte is timed from when it came only if the thread already waits for it.
        while (!started)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    Pty pty;
    std::unique_ptr<SerialPort> port;
    PortSink sink{[this]() -> Port* { return port.get(); }};
    std::string received;
    std::vector<FarEndByte> stamps;
    std::thread stamper;
};
