// A window's captures: the one running hears the window's stream (every byte its device
// delivers, and the port's comings and goings as marker lines) until stopped, also across the
// device going away and coming back; stopped ones are written out on their own threads, and
// their outcome is told once they are done. Closing waits for every file.
#pragma once

#include "app/capture/Capture.h"
#include "app/stream/StreamConsumer.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Captures : public StreamConsumer {
public:
    struct Events {
        std::function<void(const std::string&)> status; // an outcome the user must know
        std::function<void()> changed;                  // a capture started, stopped or ended
    };
    explicit Captures(Events events);
    ~Captures() override;

    // Answers "" when it started, or the system's reason why not. portOpen: the port's state
    // now (its Opened event), marked first; nullptr when it is closed.
    std::string start(const std::string& path, Capture::Format format, const PortEvent* portOpen);
    // The file is written out, synced and closed on the writer's thread; reap() tells the
    // outcome once it is done.
    void stop();
    // Tells the outcome of stopped captures whose files are done; wait: all of them, now,
    // each given at most closeWait (a hung disk must not hold quitting for good).
    static constexpr std::chrono::milliseconds closeWait{5000};
    void reap(bool wait);
    // The window is going: its captures end, with no one left to tell.
    void close();
    bool isWritingOut() const { return !finishing_.empty(); }
    const Capture* current() const { return capture_.get(); }
    // "Capturing to NAME: N bytes", "Writing out NAME…", or "" when neither.
    std::string state() const;
    std::uint64_t bytesCaptured() const { return capture_ ? capture_->bytesCaptured() : 0; }
    // Lines from now on are rendered so.
    void setRendering(int viewType, TextEncoding encoding);

    void received(std::string_view bytes, const Moment& at) override;
    void portEvent(const PortEvent& event) override;
    void idle(const Moment& now) override;

private:
    void mark(const PortEvent& event);

    Events events_;
    std::unique_ptr<Capture> capture_;
    std::vector<std::unique_ptr<Capture>> finishing_; // stopped, still being written out
    int viewType_ = 0;
    TextEncoding encoding_ = TextEncodingLatin1;
    bool closed_ = false;
};
