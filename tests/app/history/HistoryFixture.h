// A received history on a clock that stands still: tests deliver bytes and events at the
// clock's time and advance it, and read the lines back as strings.
#pragma once

#include "app/history/ReceivedHistory.h"
#include "tests/support/ManualClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <string>
#include <vector>

class HistoryTest : public ::testing::Test {
protected:
    using ms = std::chrono::milliseconds;

    void deliver(std::string_view bytes, ms after = ms(0))
    {
        clock.advance(after);
        history.received(bytes, clock.now());
    }
    void event(PortEvent::Kind kind, ms after = ms(0), int error = 0)
    {
        clock.advance(after);
        PortEvent told;
        told.kind = kind;
        told.name = "cu.usb";
        told.settingsTitle = "115200 none-8-1 None";
        told.error = error;
        told.at = clock.now();
        history.portEvent(told);
    }
    // Each line's bytes, or "[what]" for a marker.
    static std::vector<std::string> linesOf(const HistoryStore& store)
    {
        std::vector<std::string> lines;
        store.forEachLine(store.firstLine(), store.endLine(), [&](const HistoryLine& line) {
            lines.push_back(line.marker ? "[" + std::string(line.text) + "]" : std::string(line.bytes));
            return true;
        });
        return lines;
    }
    std::vector<std::string> lines() const { return linesOf(history.store()); }
    static std::string rawBytes(const HistoryStore& store)
    {
        std::string raw;
        store.forEachByteRun([&](std::string_view bytes) { raw.append(bytes); });
        return raw;
    }
    // The local time of day of at, to the millisecond, as the history shows it.
    static std::string localTime(const Moment& at)
    {
        const std::time_t seconds = std::chrono::system_clock::to_time_t(at.wall);
        std::tm local{};
        ::localtime_r(&seconds, &local);
        char text[32];
        std::strftime(text, sizeof text, "%H:%M:%S", &local);
        const auto millis = std::chrono::duration_cast<ms>(at.wall.time_since_epoch()).count() % 1000;
        return text + ("." + std::to_string(1000 + millis).substr(1));
    }

    ManualClock clock;
    ReceivedHistory history;
};
