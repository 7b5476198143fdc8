// An open serial port as its device record holds it: the record keeps one or none, and a port
// is closed by close() or by destroying it. The serial layer makes the real ones; everything
// a caller needs of an open port is here, so a test can stand in a port of its own.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

struct termios;

class Port {
public:
    Port() = default;
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;
    virtual ~Port() = default;

    // The open descriptor, -1 once closed.
    virtual int descriptor() const = 0;
    // The options the device had before it was opened, put back when it closes.
    virtual termios* savedOptions() = 0;
    // Restores the saved options, drops unsent output and closes the descriptor, then wakes
    // whoever waits on the port. Answers 0 or the errno of a failed close.
    virtual int close() = 0;

    // One read that never waits: the number of bytes read, 0 when none are waiting, or
    // minus the errno (EIO once the other end has hung up).
    virtual long read(char* buffer, std::size_t size) = 0;
    // Appends bytes to the output queue, behind anything already queued.
    virtual void queue(std::string_view bytes) = 0;
    // One write from the front of the queue that never waits: the number of bytes the
    // port took, or minus the errno (-EAGAIN when it takes nothing now).
    virtual long writeQueued() = 0;
    virtual std::size_t pendingBytes() const = 0;
    // Empties the queue, telling stderr how many bytes were lost and why.
    virtual void dropPendingOutput(std::string_view reason) = 0;
    // True when the other end hung up: the device was unplugged or the pty master closed.
    virtual bool isHungUp() const = 0;

    // Calls wake once, when the port has data, hangs up or closes; any token unique to the
    // waiter names it. A closed port calls it at once.
    virtual void addWaker(const void* who, std::function<void()> wake) = 0;
    virtual void removeWaker(const void* who) = 0;
};
