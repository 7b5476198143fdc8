// A window's received history: every byte its device delivers with the arrival time it came
// with, and a marker line for each event of the port, kept in memory up to a limit (the oldest
// chunk goes when full). A line ends at a line feed, after an idle gap between arrivals (or
// told by idle()), or at the text capture's length limit. Heard as one of the stream's consumers.
#pragma once

#include "app/capture/Capture.h"
#include "app/history/HistoryStore.h"
#include "app/stream/StreamConsumer.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class ReceivedHistory : public StreamConsumer {
public:
    static constexpr std::size_t defaultLimit = std::size_t{64} << 20;

    struct Settings {
        // What the byte chunks may hold: 32 chunks, or at least two of four lines each.
        std::size_t limit = defaultLimit;
        std::chrono::milliseconds idleGap = Capture::idleGap;
        // At most LineIndex::maxLength.
        std::size_t maxLineBytes = Capture::maxLineBytes;
    };

    ReceivedHistory() : ReceivedHistory(Settings{}) {}
    explicit ReceivedHistory(const Settings& settings);

    void received(std::string_view bytes, const Moment& at) override;
    void portEvent(const PortEvent& event) override;
    void idle(const Moment& now) override;

    const HistoryStore& store() const { return store_; }
    // A copy to read on another thread (a save): see HistoryStore. Make and drop it on this one.
    std::shared_ptr<const HistoryStore> snapshot() const { return std::make_shared<HistoryStore>(store_); }
    const Settings& settings() const { return settings_; }
    // Forgets every line; what comes next starts a new line.
    void clear();

    // Called after every change: bytes, a marker, a line the idle gap ended. It must not change
    // the history. One listener; an empty function removes it.
    void setChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }
    // Counts the changes, so a reader that looks now and then can tell whether anything came.
    std::uint64_t revision() const { return revision_; }

private:
    static std::size_t chunkSizeFor(const Settings& settings);
    static Settings normalized(Settings settings);
    void changed();
    void mark(std::string text, const Moment& at, bool opensPort = false);

    Settings settings_;
    HistoryStore store_;
    std::size_t lineBytes_ = 0; // of the open line
    std::chrono::steady_clock::time_point lastByte_{};
    std::optional<Moment> goneAt_; // when the port went away, until it is back
    std::string portName_;
    std::function<void()> listener_;
    std::uint64_t revision_ = 0;
};
