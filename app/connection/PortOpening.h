// Opens a record's port for a window: a local port at once, a network one in the background
// (the name's lookup, the connection, the server's answers to the settings), so the window
// never waits on a network. `done` hears the outcome with what the user must know of it (why
// it did not open, or a rate the device refused; "" when nothing): at once for a local port,
// later for a network one, never for one cancelled. "Connecting to …" is told meanwhile.
#pragma once

#include <functional>
#include <string>

class Device;
class SerialController;

class PortOpening {
public:
    using Done = std::function<void(bool opened, const std::string& status)>;
    PortOpening(SerialController& serial, std::function<void(const std::string&)> tell);

    void open(Device& device, Done done);
    bool isConnecting() const;
    int lastError() const; // errno of the last local open that failed
    void cancel();

private:
    SerialController& serial_;
    std::function<void(const std::string&)> tell_;
};
