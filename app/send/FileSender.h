// Sends a file's bytes as they are, through the window's pacer: read from disk a block at a
// time as the port takes them (a 1 GiB file never sits in memory), with progress, cancel,
// and a status line at the end. While it runs the pacer carries nothing else.
#pragma once

#include "app/send/TransferProgress.h"
#include "toolkit/FileDescriptor.h"

#include <cstdint>
#include <functional>
#include <string>

class OutputPacer;
class OutputSink;

class FileSender {
public:
    static constexpr std::size_t block = 64 * 1024;
    // Progress is told at most this often.
    static constexpr std::chrono::milliseconds progressInterval{100};

    enum class Outcome { Idle, Running, Sent, Cancelled, PortGone, ReadFailed };

    // The pacer must hand its bytes to sink.
    FileSender(OutputPacer& pacer, OutputSink& sink);
    FileSender(const FileSender&) = delete;
    FileSender& operator=(const FileSender&) = delete;
    ~FileSender();

    // "" once the send has started, or the status line of why it did not (no port, a file
    // that can't be opened or is no plain file, a send already running).
    std::string start(const std::string& path);
    // Drops what has not reached the port's queue and finishes as Cancelled.
    void cancel();
    bool isRunning() const { return outcome_ == Outcome::Running; }
    Outcome outcome() const { return outcome_; }
    // The file's bytes that have left the port's queue (all handed over, less what is still
    // queued or was lost there).
    std::uint64_t sent() const;
    // The file's bytes that were in the port's queue when it went away.
    std::uint64_t lost() const { return lost_; }
    TransferProgress progress();

    void setOnProgress(std::function<void(const TransferProgress&)> handler) { onProgress_ = std::move(handler); }
    // Hears the status line once the send has ended, whatever the outcome.
    void setOnFinished(std::function<void(const std::string&)> handler) { onFinished_ = std::move(handler); }

private:
    void pacerMoved();
    // Reads and hands over blocks while the pacer holds less than one; false on a read error.
    bool refill();
    void finish(Outcome outcome, std::string status);
    std::uint64_t handedSinceStart() const;

    OutputPacer& pacer_;
    OutputSink& sink_;
    FileDescriptor file_;
    std::string name_;
    std::uint64_t size_ = 0;
    std::uint64_t read_ = 0;
    bool atEnd_ = false;
    bool refilling_ = false;
    std::uint64_t handedAtStart_ = 0;
    std::size_t droppedAtStart_ = 0;
    std::uint64_t lost_ = 0;
    int readError_ = 0;
    Outcome outcome_ = Outcome::Idle;
    RateMeter meter_;
    std::chrono::steady_clock::time_point lastProgress_{};
    std::function<void(const TransferProgress&)> onProgress_;
    std::function<void(const std::string&)> onFinished_;
};
