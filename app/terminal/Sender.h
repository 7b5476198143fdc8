// A window's sending tools around Send: the line ending, the device's command history, the
// quick-send macros, paced output, repeats, raw file sends and X/Y/ZMODEM transfers. With none
// of them touched a send is the document's own, byte for byte and log line for log line. One
// thing moves at a time: while a file or a transfer goes, other sends are refused with a reason.
#pragma once

#include "app/send/FileSender.h"
#include "app/send/HistoryShelf.h"
#include "app/send/LineEnding.h"
#include "app/send/MacroSet.h"
#include "app/send/ModemTransfer.h"
#include "app/send/OutputPacer.h"
#include "app/send/PortSink.h"
#include "app/send/Repeater.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class BorrowedPort;
class Device;
class Timer;

class Sender {
public:
    struct Hooks {
        std::function<Device*()> device;                            // the window's device, or none
        std::function<std::string()> deviceName;                    // whose history applies
        std::function<std::string(std::string_view)> send;          // the document's own send: "" or why not
        std::function<std::optional<std::string>(bool log)> editor; // the editor's bytes, nothing if it can't go
        std::function<void(std::string_view)> showInEditor;         // a recalled message
        std::function<void(const std::string&)> status;
        std::function<void(const std::string&)> note; // a transfer starts or ends: the stream hears it
        std::function<void()> changed;                // what the window shows of the tools changed
    };

    explicit Sender(Hooks hooks);
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;
    ~Sender();

    // Where histories and macros are kept across runs (userDataFolder() for the program); until
    // told, in memory only.
    void keepIn(const std::string& folder);

    LineEnding lineEnding() const { return ending_; }
    void setLineEnding(LineEnding ending);
    const Pacing& pacing() const { return pacer_.pacing(); }
    void setPacing(Pacing pacing);

    // Send's message: its ending appended, kept in the history, paced when pacing is on.
    // "" once written or queued, else why not.
    std::string send(std::string_view message);
    // Bytes as they are (a paste into the console): paced, no ending, no history.
    std::string sendRaw(std::string_view bytes);
    // The macro for F1 (0) to F12, as Send sends it; tells the user when it can't.
    void sendMacro(std::size_t index);
    MacroSet& macros() { return macros_; }
    // Takes the dialog's set; a failed write is told.
    void replaceMacros(std::vector<Macro> macros);

    // The device's history, read the first time it is asked for.
    CommandHistory& history();
    // Brings an older (or newer) message into the editor; false when there is none.
    bool recall(bool older);
    // Puts a message of the history into the editor.
    void showInEditor(std::string_view message);
    void forgetHistory();

    // Sends the editor's message, ending and all, every interval until stopped.
    void startRepeat(std::chrono::milliseconds interval);
    bool isRepeating() const { return repeater_.isRunning(); }
    std::uint64_t repeatCount() const { return repeater_.count(); }
    // Hears the repeat count as it grows (at most ten times a second) in place of the changed
    // hook, so a fast repeat redraws only the count, not the whole window.
    void whenCounted(std::function<void()> hook) { counted_ = std::move(hook); }
    std::chrono::milliseconds repeatInterval() const { return repeater_.interval(); }

    void sendFile(const std::string& path);
    void startTransfer(ModemTransfer::Request request);
    // A file or a transfer moves; its title ("Sending firmware.bin", "ZMODEM receive") and
    // progress.
    bool isTransferring() const;
    bool isModemTransfer() const { return transfer_ && transfer_->isRunning(); }
    const std::string& transferTitle() const { return title_; }
    TransferProgress transferProgress();
    // Output paced or queued that has not left yet.
    bool isDraining() const { return pacer_.waiting() > 0; }

    // Ends whatever goes: a transfer, a file, a repeat, paced output not sent yet.
    void stop();

private:
    // Why nothing else may go now, or "".
    std::string busyReason() const;
    std::string deliver(const std::string& bytes);
    void finishTransfer(const std::string& status);
    void watchTransfer();
    void tell(const std::string& text) const;
    void changed() const;

    Hooks hooks_;
    LineEnding ending_ = LineEnding::None;
    std::shared_ptr<HistoryShelf> shelf_;
    std::shared_ptr<CommandHistory> history_;
    std::string historyName_;
    std::optional<std::string> recalled_;
    MacroSet macros_{""};
    // The sink may outlive the sender (its queue still drains): it finds the device through
    // this only while the sender lives.
    std::shared_ptr<std::function<Device*()>> device_;
    PortSink sink_;
    OutputPacer pacer_;
    Repeater repeater_;
    FileSender files_;
    std::unique_ptr<BorrowedPort> borrowed_;
    std::unique_ptr<ModemTransfer> transfer_;
    std::string lentTo_;
    std::shared_ptr<Timer> watch_;
    std::string title_;
    std::chrono::steady_clock::time_point countShown_{};
    std::function<void()> counted_;
};
