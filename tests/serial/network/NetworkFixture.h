// What the network port tests share: a device record named by a network address, opened
// through the controller's asynchronous door as the window opens one, read and written
// through the controller while the toolkit's loop runs, with the log lines taken.
#pragma once

#include "devices/Device.h"
#include "serial/SerialController.h"
#include "tests/support/LogCapture.h"
#include "toolkit/RunLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

// Runs the toolkit's own event loop, as a program without a GUI does, until `done` answers
// true or `timeout` passes; answers `done`'s last word.
template <typename Done>
bool pumpUntil(Done done, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(2));
    }
    return true;
}

class NetworkFixture : public testing::Test {
protected:
    // Starts opening `device`; its outcome lands in `opened`, never before this returns.
    void startOpen(Device& device)
    {
        opened.reset();
        serial.openPortAsync(&device, [this](bool ok) { opened = ok; });
        EXPECT_FALSE(opened.has_value());
    }
    // Waits for the outcome of startOpen; nothing when it never came.
    std::optional<bool> awaitOpened(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
    {
        pumpUntil([&] { return opened.has_value(); }, timeout);
        return opened;
    }
    std::optional<bool> open(Device& device, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
    {
        startOpen(device);
        return awaitOpened(timeout);
    }
    // Reads until `count` data bytes came, the port failed or the time passed.
    std::string receive(Device& device, std::size_t count, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
    {
        std::string received;
        std::vector<char> buffer(65536);
        pumpUntil([&] {
            const int got = serial.readPort(&device, buffer.data(), static_cast<int>(buffer.size()));
            if (got > 0)
                received.append(buffer.data(), static_cast<std::size_t>(got));
            return got < 0 || received.size() >= count;
        }, timeout);
        return received;
    }
    // Sends and keeps writing until the queue is empty.
    bool send(Device& device, const std::string& bytes)
    {
        if (!serial.sendOnPort(&device, bytes.data(), static_cast<int>(bytes.size())))
            return false;
        return pumpUntil([&] { return !serial.drainOutput(&device) || serial.pendingBytes(&device) == 0; }) &&
               serial.pendingBytes(&device) == 0;
    }
    static std::string allByteValues(int times = 1)
    {
        std::string all;
        for (int round = 0; round < times; ++round)
            for (int value = 0; value < 256; ++value)
                all.push_back(static_cast<char>(value));
        return all;
    }

    LogCapture lines;
    SerialController serial;
    std::optional<bool> opened;
};
