// Tells a window's stream what became of its port, by comparing the port as it is now with
// the port as the stream last heard of it: opened (or back after going away) with its
// settings, closed, gone with the error that ended it. Each change is told once, in order.
#pragma once

#include <string>

class Device;
class ReceivedStream;

class PortReporter {
public:
    explicit PortReporter(ReceivedStream& stream) : stream_(stream) {}

    // device: the window's device, nullptr when it has none (or waits for it).
    void follow(const Device* device);
    // Whether the stream has heard that the port is open.
    bool toldOpen() const { return toldOpen_; }

private:
    ReceivedStream& stream_;
    bool toldOpen_ = false;
    std::string toldName_;
    std::string goneName_; // the device last told gone, whose next opening is a return
};
