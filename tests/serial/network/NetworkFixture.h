// What the network port tests share: a device record named by a network address, opened
// through the controller's asynchronous door as the window opens one, read and written
// through the controller while the toolkit's loop runs, with the log lines taken.
#pragma once

#include "devices/Device.h"
#include "serial/SerialController.h"
#include "tests/serial/network/pumpUntil.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

class NetworkFixture : public testing::Test {
protected:
    // Opens `device` and waits for the outcome; nothing when it never came.
    std::optional<bool> open(Device& device, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
    {
        std::optional<bool> outcome;
        serial.openPortAsync(&device, [&outcome](bool opened) { outcome = opened; });
        EXPECT_FALSE(outcome.has_value()); // never before openPortAsync returns
        pumpUntil([&] { return outcome.has_value(); }, timeout);
        return outcome;
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
};
