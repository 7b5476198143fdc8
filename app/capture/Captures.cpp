#include "app/capture/Captures.h"

#include "toolkit/Stderr.h"
#include "toolkit/printableText.h"

#include <cstring>
#include <filesystem>

namespace {

std::string fileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

} // namespace

Captures::Captures(Events events) : events_(std::move(events)) {}

Captures::~Captures()
{
    close();
}

std::string Captures::start(const std::string& path, Capture::Format format, const PortEvent* portOpen)
{
    stop();
    std::string error;
    capture_ = Capture::start(path, format, viewType_, error);
    if (!capture_) {
        events_.status("Cannot capture to " + path + ": " + error + ".");
        return error;
    }
    capture_->setTextEncoding(encoding_);
    // The capture's first marker says what it starts on.
    if (portOpen)
        mark(*portOpen);
    events_.status("");
    events_.changed();
    return "";
}

void Captures::stop()
{
    if (!capture_)
        return;
    // Out of the way first: what the status change sets off must find no capture.
    capture_->requestStop();
    finishing_.push_back(std::move(capture_));
    reap(closed_);
    events_.changed();
}

void Captures::reap(bool wait)
{
    for (auto it = finishing_.begin(); it != finishing_.end();) {
        if (!wait && !(*it)->isFinished()) {
            ++it;
            continue;
        }
        const std::unique_ptr<Capture> capture = std::move(*it);
        it = finishing_.erase(it);
        const std::string failure = capture->stopWithin(closeWait);
        const std::string name = fileName(capture->path());
        std::string text;
        if (capture->fileIsGone())
            text = "Capture to " + name + " ended, but the file was deleted or replaced meanwhile: its " +
                   std::to_string(capture->bytesCaptured()) + " bytes are not there.";
        else if (failure.empty())
            text = "Capture saved to " + name + ": " + std::to_string(capture->bytesCaptured()) + " bytes.";
        else
            text = "Capture to " + name + " stopped: " + failure + ". What came before is in the file.";
        if (!failure.empty() || capture->fileIsGone())
            Stderr::line(text);
        if (!closed_)
            events_.status(text);
    }
}

void Captures::close()
{
    if (closed_)
        return;
    // The files are complete before the window goes, on quit too.
    closed_ = true;
    stop();
    reap(true);
}

std::string Captures::state() const
{
    if (!capture_)
        return finishing_.empty() ? "" : "Writing out " + fileName(finishing_.back()->path()) + "\u2026";
    return "Capturing to " + fileName(capture_->path()) + ": " + std::to_string(capture_->bytesCaptured()) + " bytes";
}

void Captures::setRendering(int viewType, TextEncoding encoding)
{
    viewType_ = viewType;
    encoding_ = encoding;
    if (capture_) {
        capture_->setViewType(viewType);
        capture_->setTextEncoding(encoding);
    }
}

void Captures::received(std::string_view bytes, const Moment& at)
{
    if (capture_ && !capture_->received(bytes, at))
        stop();
}

void Captures::portEvent(const PortEvent& event)
{
    if (capture_)
        mark(event);
}

void Captures::idle(const Moment& now)
{
    // Ends a line the idle gap closed, and hears of a writer that failed on its own thread.
    if (capture_ && !capture_->tick(now))
        stop();
}

void Captures::mark(const PortEvent& event)
{
    // Names go into the file as the window shows them: a control character in one must not
    // start a line of its own.
    const std::string name = printableText(event.name);
    switch (event.kind) {
    case PortEvent::Kind::Opened:
    case PortEvent::Kind::Reconnected:
        capture_->mark("Port " + name + " opened, " + event.settingsTitle, event.at);
        break;
    case PortEvent::Kind::Closed:
        capture_->mark("Port " + name + " closed", event.at);
        break;
    case PortEvent::Kind::Gone:
        capture_->mark(event.error ? name + " went away: " + std::strerror(event.error) : name + " went away", event.at);
        break;
    case PortEvent::Kind::Note:
        capture_->mark(event.text, event.at);
        break;
    }
}
