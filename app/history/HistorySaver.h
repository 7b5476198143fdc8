// Saves a snapshot of a received history to a file on a thread of its own, as timestamped
// text in the text capture's format or as exactly the bytes delivered, so a slow or stuck disk
// never holds the window up. The file is opened without waiting, and anything but a regular
// file (a FIFO, a device) is refused before a byte is written.
#pragma once

#include "app/history/HistoryStore.h"
#include "app/text/TextEncoding.h"
#include "toolkit/FileDescriptor.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

class HistorySaver {
public:
    enum class Format { Text, Raw };

    // Creates or empties the file and starts writing: nullptr, with the reason in error, when
    // it can't. Text lines are rendered in viewType and encoding.
    static std::unique_ptr<HistorySaver> start(const std::string& path, Format format,
                                               std::shared_ptr<const HistoryStore> snapshot, int viewType,
                                               TextEncoding encoding, std::string& error);
    HistorySaver(const HistorySaver&) = delete;
    HistorySaver& operator=(const HistorySaver&) = delete;
    // Cancels what is left and waits for the write under way.
    ~HistorySaver();

    const std::string& path() const { return path_; }
    bool isFinished() const { return finished_.load(std::memory_order_acquire); }
    // Once finished: "" when all of it is written and synced, else why not.
    std::string result() const { return isFinished() ? result_ : std::string(); }
    std::uint64_t bytesWritten() const { return written_.load(std::memory_order_relaxed); }
    // Stops at the next write; the result then says it was cancelled.
    void cancel() { cancelled_.store(true, std::memory_order_relaxed); }

private:
    HistorySaver(std::string path, Format format, std::shared_ptr<const HistoryStore> snapshot, int viewType,
                 TextEncoding encoding, FileDescriptor file);
    void run();
    bool write(std::string_view bytes);

    std::string path_;
    Format format_;
    std::shared_ptr<const HistoryStore> snapshot_; // dropped here, never on the thread
    int viewType_;
    TextEncoding encoding_;
    FileDescriptor file_;
    std::string result_;
    std::atomic<std::uint64_t> written_{0};
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};
