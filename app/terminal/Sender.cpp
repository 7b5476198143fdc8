#include "app/terminal/Sender.h"

#include "app/send/BorrowedPort.h"
#include "devices/Device.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <filesystem>
#include <map>

namespace {

// How often a running transfer looks whether its port is still there.
constexpr double watchSeconds = 0.1;

using Alive = std::shared_ptr<std::function<Device*()>>;

PortSink::PortSource portOf(const Alive& device)
{
    return [weak = std::weak_ptr(device)]() -> Port* {
        const Alive alive = weak.lock();
        Device* record = alive ? (*alive)() : nullptr;
        return record ? record->getPort() : nullptr;
    };
}

std::function<void(std::size_t)> countedOn(const Alive& device)
{
    return [weak = std::weak_ptr(device)](std::size_t count) {
        if (const Alive alive = weak.lock())
            if (Device* record = (*alive)())
                record->addSent(count);
    };
}

} // namespace

Sender::Sender(Hooks hooks)
    : hooks_(std::move(hooks)), shelf_(std::make_shared<HistoryShelf>("")),
      device_(std::make_shared<std::function<Device*()>>(hooks_.device)), sink_(portOf(device_), countedOn(device_)),
      pacer_(sink_), repeater_(pacer_, sink_), files_(pacer_, sink_)
{
    // A repeat every 10 ms would redraw the window as often: the count shows at the ticks' pace.
    repeater_.setOnSent([this](std::uint64_t) {
        const auto now = std::chrono::steady_clock::now();
        if (now - countShown_ >= std::chrono::milliseconds(100)) {
            countShown_ = now;
            if (counted_)
                counted_();
            else
                changed();
        }
    });
    repeater_.setOnStopped([this](const std::string& text) {
        tell(text);
        changed();
    });
    files_.setOnProgress([this](const TransferProgress&) { changed(); });
    files_.setOnFinished([this](const std::string& text) {
        title_.clear();
        tell(text);
        changed();
    });
}

Sender::~Sender()
{
    repeater_.stop();
    if (transfer_) {
        transfer_->setOnFinished(nullptr);
        transfer_->setOnProgress(nullptr);
    }
    transfer_.reset();
    if (watch_)
        watch_->invalidate();
    if (Device* device = hooks_.device(); device && device->getAddr() == lentTo_)
        device->setLent(false);
}

void Sender::keepIn(const std::string& folder)
{
    // Every window of the process on the same folder shares its shelf, so windows on one
    // device share its history rather than overwrite each other's file.
    static std::map<std::string, std::weak_ptr<HistoryShelf>> shelves;
    std::shared_ptr<HistoryShelf> shelf = shelves[folder].lock();
    if (!shelf || folder.empty()) {
        shelf = std::make_shared<HistoryShelf>(folder);
        shelves[folder] = shelf;
    }
    shelf_ = std::move(shelf);
    history_.reset();
    macros_ = MacroSet(folder.empty() ? std::string() : folder + "/macros");
    tell(macros_.load());
}

void Sender::setLineEnding(LineEnding ending)
{
    ending_ = ending;
    changed();
}

void Sender::setPacing(Pacing pacing)
{
    pacer_.setPacing(pacing);
    repeater_.pacingChanged();
    changed();
}

std::string Sender::busyReason() const
{
    if (transfer_ && transfer_->isRunning())
        return "A " + title_ + " is running; stop it first to send anything else.";
    if (files_.isRunning())
        return title_ + " is under way; stop it first to send anything else.";
    return {};
}

std::string Sender::deliver(const std::string& bytes)
{
    // As the document has always sent, unless output is paced or paced output still waits:
    // what follows it must not overtake it.
    if (!pacer_.pacing().isPaced() && pacer_.waiting() == 0)
        return hooks_.send(bytes);
    if (!pacer_.send(bytes))
        return "The port is closed. Switch reading on to open it.";
    changed();
    return {};
}

std::string Sender::send(std::string_view message)
{
    if (std::string busy = busyReason(); !busy.empty())
        return busy;
    const std::string failure = deliver(withLineEnding(message, ending_));
    if (failure.empty() && !message.empty()) {
        history().add(std::string(message));
        recalled_.reset();
    }
    return failure;
}

std::string Sender::sendRaw(std::string_view bytes)
{
    if (std::string busy = busyReason(); !busy.empty())
        return busy;
    return deliver(std::string(bytes));
}

void Sender::sendMacro(std::size_t index)
{
    if (index >= macros_.macros().size()) {
        tell("There is no macro for F" + std::to_string(index + 1) + ". Add one with Port ▸ Edit Macros….");
        return;
    }
    // As Send does: a message that went clears the status.
    hooks_.status(send(macros_.macros()[index].bytes));
}

void Sender::replaceMacros(std::vector<Macro> macros)
{
    tell(macros_.replace(std::move(macros)));
    changed();
}

CommandHistory& Sender::history()
{
    const std::string name = hooks_.deviceName ? hooks_.deviceName() : std::string();
    if (!history_ || name != historyName_) {
        std::string status;
        history_ = shelf_->forDevice(name, &status);
        historyName_ = name;
        history_->setStatusHandler([this](const std::string& text) { tell(text); });
        recalled_.reset();
        if (!status.empty())
            tell(status);
    }
    return *history_;
}

bool Sender::recall(bool older)
{
    CommandHistory& messages = history();
    const std::string editing = hooks_.editor(false).value_or(std::string());
    // The user changed what was recalled: the recall starts again from the newest.
    if (recalled_ && editing != *recalled_)
        messages.resetRecall();
    const std::optional<std::string> message = older ? messages.older(editing) : messages.newer();
    if (!message)
        return false;
    showInEditor(*message);
    return true;
}

void Sender::showInEditor(std::string_view message)
{
    hooks_.showInEditor(message);
    recalled_ = std::string(message);
}

void Sender::forgetHistory()
{
    const std::string failure = history().forget();
    tell(failure.empty() ? "The message history of " + historyName_ + " is empty now." : failure);
}

void Sender::startRepeat(std::chrono::milliseconds interval)
{
    if (std::string busy = busyReason(); !busy.empty())
        return tell(busy);
    const std::optional<std::string> message = hooks_.editor(true);
    if (!message)
        return;
    const std::string failure = repeater_.start(withLineEnding(*message, ending_), interval);
    if (failure.empty() && !message->empty())
        history().add(*message);
    tell(failure);
    changed();
}

void Sender::sendFile(const std::string& path)
{
    if (std::string busy = busyReason(); !busy.empty())
        return tell(busy);
    repeater_.stop();
    const std::string failure = files_.start(path);
    if (failure.empty())
        title_ = "Sending " + std::filesystem::path(path).filename().string();
    tell(failure);
    changed();
}

void Sender::startTransfer(ModemTransfer::Request request)
{
    if (std::string busy = busyReason(); !busy.empty())
        return tell(busy);
    Device* device = hooks_.device();
    if (!device || !device->getPort())
        return tell("No open port for the transfer. Switch reading on to open it.");
    repeater_.stop();
    if (transfer_) {
        transfer_->setOnFinished(nullptr);
        transfer_->setOnProgress(nullptr);
    }
    transfer_.reset();
    borrowed_ = std::make_unique<BorrowedPort>(portOf(device_));
    transfer_ = std::make_unique<ModemTransfer>(*borrowed_);
    transfer_->setOnProgress([this](const TransferProgress&) { changed(); });
    transfer_->setOnFinished([this](const std::string& text) { finishTransfer(text); });
    const std::string what = std::string(protocolName(request.protocol)) + (request.sending ? " send" : " receive");
    // Lent before the child starts: no window may read a byte of the protocol's.
    device->setLent(true);
    const std::string failure = transfer_->start(std::move(request));
    if (!failure.empty()) {
        device->setLent(false);
        return tell(failure);
    }
    lentTo_ = device->getAddr();
    title_ = what;
    watch_ = Timer::timerWithTimeInterval(
        watchSeconds, [this](Timer&) { watchTransfer(); }, true);
    RunLoop::currentRunLoop().addTimer(watch_);
    if (hooks_.note)
        hooks_.note(what + " started");
    tell(what + " running; Stop ends it.");
    changed();
}

void Sender::watchTransfer()
{
    // The port closed or was replaced under the transfer: nothing of it can go on.
    if (transfer_ && transfer_->isRunning() && !borrowed_->isThere())
        transfer_->cancel();
}

void Sender::finishTransfer(const std::string& status)
{
    if (watch_)
        watch_->invalidate();
    if (Device* device = hooks_.device(); device && device->getAddr() == lentTo_)
        device->setLent(false);
    lentTo_.clear();
    if (hooks_.note)
        hooks_.note(title_ + " ended: " + status);
    title_.clear();
    tell(status);
    changed();
}

bool Sender::isTransferring() const
{
    return files_.isRunning() || (transfer_ && transfer_->isRunning());
}

TransferProgress Sender::transferProgress()
{
    if (transfer_ && transfer_->isRunning())
        return transfer_->progress();
    return files_.progress();
}

void Sender::stop()
{
    if (transfer_ && transfer_->isRunning())
        return transfer_->cancel(); // its end is told when the child has gone
    if (files_.isRunning())
        return files_.cancel();
    const bool repeating = repeater_.isRunning();
    repeater_.stop();
    const std::size_t dropped = pacer_.stop();
    std::string text = repeating ? "Repeating stopped after " + std::to_string(repeater_.count()) + " sends." : "";
    if (dropped > 0)
        text += (text.empty() ? "" : " ") + std::to_string(dropped) + (dropped == 1 ? " byte" : " bytes") +
                " of paced output were not sent.";
    if (!text.empty())
        tell(text);
    changed();
}

void Sender::tell(const std::string& text) const
{
    if (!text.empty() && hooks_.status)
        hooks_.status(text);
}

void Sender::changed() const
{
    if (hooks_.changed)
        hooks_.changed();
}
