// A window's modem lines: DTR and RTS as the user switches them (kept in the record, so a
// reopen puts them back), a timed break and DTR pulse, and the lines as last read from the
// port, for drawing without asking it again (a wedged USB adapter can take seconds to answer).
// The lines go through the serial layer's ModemLines, never through ioctls here.
#pragma once

#include <functional>
#include <memory>
#include <string>

class Device;
class PortConnection;
class Timer;

class LineControl {
public:
    // The lines as the menu items and indicators show them.
    struct LineState {
        bool usable = false;    // the port is open and has modem lines
        bool rtsUsable = false; // ... and RTS is not the driver's (hardware flow control)
        unsigned asserted = 0;  // ModemLines bits: as read from the port, else as the record wants
        std::string why;        // why the controls are disabled; "" while usable
        std::string rtsWhy;     // why RTS alone is disabled
        bool operator==(const LineState&) const = default;
    };
    static constexpr double breakSeconds = 0.25;
    static constexpr double pulseSeconds = 0.1;

    // status: what the user must know; changed: the shown lines changed.
    LineControl(PortConnection& connection, std::function<void(const std::string&)> status,
                std::function<void()> changed);
    LineControl(const LineControl&) = delete;
    LineControl& operator=(const LineControl&) = delete;
    ~LineControl();

    // Reads the lines from the port now.
    LineState read();
    const LineState& shown() const { return shown_; }
    // Reads them again; true, having told of the change, when they changed.
    bool poll();
    // Reads them again when the port they were read from is another now (name, descriptor,
    // flow or the record's wishes changed); quiet, since the caller is telling of a change.
    void follow();
    void setDtr(bool on);
    void setRts(bool on);
    // Timed on the run loop, so the window goes on meanwhile; one of each at a time.
    void sendBreak();
    void pulseDtr();
    // Ends a break or pulse under way at once: nothing would end it once the window is gone.
    void endAll();

private:
    // Where the shown lines were read from.
    struct Source {
        std::string name;
        int descriptor = -2;
        int flow = 0;
        bool dtr = false;
        bool rts = false;
        bool operator==(const Source&) const = default;
    };
    Source source();
    void setLine(unsigned line, bool on);
    bool startTimer(std::shared_ptr<Timer>& timer, double seconds, bool isBreak);
    // Ends a break or pulse on the port it began on, if that port is still open.
    void endTimer(std::shared_ptr<Timer>& timer, const std::string& name, int descriptor, bool isBreak);

    PortConnection& connection_;
    std::function<void(const std::string&)> status_;
    std::function<void()> changed_;
    LineState shown_;
    Source read_;
    std::shared_ptr<Timer> breakEnd_;
    std::shared_ptr<Timer> pulseEnd_;
};
