// An XMODEM, YMODEM or ZMODEM send or receive through the lrzsz programs, run as a child
// whose standard input and output are the open port. The program keeps the port and its
// lock, and neither reads nor writes it while the child runs. Cancel stops it as the
// protocols expect; a far end that never answers times out; the port stays usable after.
#pragma once

#include "app/send/ChildProcess.h"
#include "app/send/ModemProtocol.h"
#include "app/send/TransferProgress.h"
#include "app/send/lrzszOutput.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Port;
class Timer;

class ModemTransfer {
public:
    struct Request {
        ModemProtocol protocol = ModemProtocol::Zmodem;
        bool sending = true;
        // Sending: the files (XMODEM takes one). Receiving XMODEM: the one file to write.
        std::vector<std::string> files;
        // Receiving YMODEM and ZMODEM: the folder the files go to (a name already taken
        // there gets a new one, never overwritten).
        std::string folder;
        // Stopped with a status when the far end has not answered by then.
        std::chrono::seconds noAnswer{30};
    };
    enum class Outcome { Idle, Running, Done, Failed, Cancelled, NoAnswer };

    // The sequence that tells the far end to stop: CAN eight times (a ZMODEM receiver wants
    // five, XMODEM two), then backspaces to wipe them off a terminal that shows them.
    static constexpr std::string_view cancelSequence = "\x18\x18\x18\x18\x18\x18\x18\x18\b\b\b\b\b\b\b\b";
    // How long a cancelled child has to end before it is killed.
    static constexpr std::chrono::seconds killAfter{2};

    // `port` must outlive the transfer.
    explicit ModemTransfer(Port& port);
    ModemTransfer(const ModemTransfer&) = delete;
    ModemTransfer& operator=(const ModemTransfer&) = delete;
    // Cancels a transfer still running.
    ~ModemTransfer();

    // "" once the child runs, or the status line of why not: lrzsz missing, no open port,
    // output still queued for the port, no file.
    std::string start(Request request);
    void cancel();
    bool isRunning() const { return outcome_ == Outcome::Running; }
    Outcome outcome() const { return outcome_; }
    TransferProgress progress();
    const LrzszOutput& output() const { return output_; }

    void setOnProgress(std::function<void(const TransferProgress&)> handler) { onProgress_ = std::move(handler); }
    // Hears the status line once it has ended: the outcome, and lrzsz's last message.
    void setOnFinished(std::function<void(const std::string&)> handler) { onFinished_ = std::move(handler); }

private:
    std::vector<std::string> arguments(const Request& request) const;
    void writeCancelSequence() const;
    void readErrors();
    void check();
    void finish(Outcome outcome);
    std::string statusLine() const;
    void givePortBack();

    Port& port_;
    Request request_;
    std::unique_ptr<ChildProcess> child_;
    LrzszOutput output_;
    RateMeter meter_;
    Outcome outcome_ = Outcome::Idle;
    // What the port was before the child got it: its descriptor's flags, and whether we paused reading.
    int savedFlags_ = -1;
    bool pausedReading_ = false;
    std::optional<Outcome> stopping_;
    std::chrono::steady_clock::time_point started_{};
    std::chrono::steady_clock::time_point stopAsked_{};
    bool errorsOpen_ = false; // the child's standard error, until it closes
    std::shared_ptr<Timer> checkTimer_;
    std::function<void(const TransferProgress&)> onProgress_;
    std::function<void(const std::string&)> onFinished_;
};
