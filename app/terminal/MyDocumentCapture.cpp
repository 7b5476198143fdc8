// Capture: the window's file of everything its device delivers, the status bar's counters,
// and saving the receive buffer.
#include "app/terminal/MyDocument.h"

#include "devices/Device.h"
#include "toolkit/FileDescriptor.h"
#include "toolkit/printableText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace {

std::string fileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

} // namespace

std::string MyDocument::startCapture(const std::string& path, Capture::Format format)
{
    stopCapture();
    std::string error;
    capture_ = Capture::start(path, format, viewType, error);
    if (!capture_) {
        setStatus("Cannot capture to " + path + ": " + error + ".");
        return error;
    }
    Device* device = getEnabledDevice();
    if (device)
        listenTo(*device);
    // The capture's first marker says what it starts on.
    capturedPortOpen_ = false;
    followCapture();
    setStatus("");
    ticks_.wake();
    return "";
}

void MyDocument::stopCapture()
{
    if (!capture_)
        return;
    // Out of the way first: what the status change sets off must find no capture.
    capture_->requestStop();
    finishing_.push_back(std::move(capture_));
    ticks_.wake();
    reapCaptures(closed_);
    stateChanged();
}

void MyDocument::reapCaptures(bool wait)
{
    for (auto it = finishing_.begin(); it != finishing_.end();) {
        if (!wait && !(*it)->isFinished()) {
            ++it;
            continue;
        }
        const std::unique_ptr<Capture> capture = std::move(*it);
        it = finishing_.erase(it);
        const std::string failure = capture->stop();
        const std::string name = fileName(capture->path());
        std::string text;
        if (failure.empty())
            text = "Capture saved to " + name + ": " + std::to_string(capture->bytesCaptured()) + " bytes.";
        else
            text = "Capture to " + name + " stopped: " + failure + ". What came before is in the file.";
        if (!failure.empty())
            std::cerr << text << '\n';
        if (!closed_)
            setStatus(text);
    }
}

void MyDocument::captureNews(const Device& from, std::string_view bytes)
{
    // A window that moved to another device may still hear the one it left.
    if (!capture_ || enabledName_ != from.getAddr())
        return;
    // The port's opening is marked before its first bytes; after that a read does no more.
    if (!capturedPortOpen_)
        followCapture();
    if (capture_ && !bytes.empty() && !capture_->received(bytes))
        captureFailed();
}

void MyDocument::followCapture()
{
    if (!capture_)
        return;
    capture_->setViewType(viewType);
    capture_->setTextEncoding(textEncoding_);
    Device* device = getEnabledDevice();
    const bool open = device && device->getPortHandle() != -1 && device->getReadError() == 0;
    if (open != capturedPortOpen_ || (open && capturedPortName_ != device->getAddr())) {
        // Names go into the file as the window shows them: a control character in one must
        // not start a line of its own.
        const std::string was = printableText(capturedPortName_);
        if (capturedPortOpen_) {
            // A record that is gone was unplugged; one the window left was closed.
            if (device && device->getAddr() == capturedPortName_ && device->getReadError() != 0)
                capture_->mark(was + " went away: " + std::strerror(device->getReadError()));
            else if (!device)
                capture_->mark(was + " went away");
            else
                capture_->mark("Port " + was + " closed");
        }
        if (open)
            capture_->mark("Port " + printableText(device->getAddr()) + " opened, " + settingsTitle(settingsFor(device)));
        capturedPortOpen_ = open;
        capturedPortName_ = device ? device->getAddr() : "";
    }
}

void MyDocument::tickCapture()
{
    reapCaptures(false);
    if (!finishing_.empty())
        ticks_.busy(); // the outcome is news the user must get
    followCapture();
    // Ends a line the idle gap closed, and hears of a writer that failed on its own thread.
    if (capture_ && !capture_->tick())
        captureFailed();
}

void MyDocument::captureFailed()
{
    stopCapture();
}

std::string MyDocument::captureState() const
{
    if (!capture_)
        return finishing_.empty() ? "" : "Writing out " + fileName(finishing_.back()->path()) + "\u2026";
    return "Capturing to " + fileName(capture_->path()) + ": " + std::to_string(capture_->bytesCaptured()) + " bytes";
}

std::string MyDocument::trafficState()
{
    const Device* device = getEnabledDevice();
    if (!device || device->getPortHandle() == -1)
        return "";
    return "Rx " + std::to_string(device->getReceivedSinceOpen()) + " B  Tx " +
           std::to_string(device->getSentSinceOpen()) + " B";
}

std::string MyDocument::saveReceived(const std::string& path)
{
    const Device* device = getEnabledDevice();
    std::string bytes;
    if (device) {
        for (const char16_t unit : device->getRecvBuf())
            bytes.push_back(static_cast<char>(unit & 0xFF));
    }
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    std::string_view rest(bytes);
    int error = file ? 0 : errno;
    while (error == 0 && !rest.empty()) {
        const ssize_t written = ::write(file.get(), rest.data(), rest.size());
        if (written < 0 && errno != EINTR)
            error = errno;
        else if (written > 0)
            rest.remove_prefix(static_cast<std::size_t>(written));
    }
    if (error == 0 && ::fsync(file.get()) != 0 && errno != EINVAL)
        error = errno;
    if (error == 0 && ::close(file.release()) != 0 && errno != EINTR)
        error = errno;
    const std::string reason = error ? std::strerror(error) : "";
    setStatus(error ? "Cannot save to " + path + ": " + reason + "."
                    : "Saved " + std::to_string(bytes.size()) + " received bytes to " + fileName(path) + ".");
    return reason;
}

void MyDocument::showTraffic(const Device* device)
{
    const bool open = device && device->getPortHandle() != -1;
    const std::array<std::uint64_t, 3> now{open ? device->getReceivedSinceOpen() : 0, open ? device->getSentSinceOpen() : 0,
                                           capture_ ? capture_->bytesCaptured() : 0};
    if (now == shownTraffic_)
        return;
    // Counts that run with a stream are redrawn once a second, as a rate meter is: at every tick
    // they would cost the window about as much as redrawing the receive view, and even twice a
    // second measuring and drawing the labels was a tenth of a busy window's work. The ticks go
    // on until the last count is shown.
    const auto time = std::chrono::steady_clock::now();
    if (trafficObserver_ && time - trafficShownAt_ < std::chrono::seconds(1)) {
        ticks_.busy();
        return;
    }
    shownTraffic_ = now;
    trafficShownAt_ = time;
    if (trafficObserver_)
        trafficObserver_();
    else if (stateObserver_)
        stateObserver_();
}
