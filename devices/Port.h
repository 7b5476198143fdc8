// An open serial port as its device record holds it: the record keeps one or none, and a port
// is closed by close() or by destroying it. The serial layer makes the real ones; everything
// a caller needs of an open port is here, so a test can stand in a port of its own.
#pragma once

#include "devices/PortRepeat.h"
#include "toolkit/Moment.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
    // Ends the watches, restores the saved options, drops unsent output and closes the
    // descriptor. Answers 0 or the errno of a failed close.
    virtual int close() = 0;

    // One read that never waits: the number of bytes read, 0 when none are waiting, or
    // minus the errno (EIO once the other end has hung up).
    virtual long read(char* buffer, std::size_t size) = 0;
    // Bytes of a read that arrived together, and when the port had them ready.
    struct Arrival {
        std::size_t length;
        Moment at;
    };
    // The same read, also telling when its bytes came, oldest first. A port that cannot tell
    // says now, the moment of the read.
    virtual long readWithArrivals(char* buffer, std::size_t size, std::vector<Arrival>& arrivals)
    {
        const long count = read(buffer, size);
        if (count > 0)
            arrivals.push_back({static_cast<std::size_t>(count), Moment::now()});
        return count;
    }
    // Appends bytes to the output queue, behind anything already queued.
    virtual void queue(std::string_view bytes) = 0;
    // One write from the front of the queue that never waits: the number of bytes the
    // port took, or minus the errno (-EAGAIN when it takes nothing now).
    virtual long writeQueued() = 0;
    virtual std::size_t pendingBytes() const = 0;
    // Empties the queue, telling stderr how many bytes were lost and why.
    virtual void dropPendingOutput(std::string_view reason) = 0;
    // Writes message now and then every interval from a thread of the port's, in place of
    // an earlier repeat, until the answer is let go or the port closes; nullptr when this
    // port can't, and the caller repeats on its own timer.
    virtual std::shared_ptr<PortRepeat> repeat(std::string /*message*/, std::chrono::nanoseconds /*interval*/)
    {
        return nullptr;
    }
    // True when the other end hung up: the device was unplugged or the pty master closed.
    virtual bool isHungUp() const = 0;
    // How many received bytes wait to be read, 0 when that can't be told.
    virtual std::size_t bytesWaiting() const = 0;

    // Calls onReadable whenever the port has data, hangs up or fails, until it is paused
    // or the port closes. Replaces an earlier callback; a closed port never calls.
    virtual void watchReadable(std::function<void()> onReadable) = 0;
    virtual bool isWatchingReadable() const = 0;
    // Stops calling until resumed, keeping the callback; both do nothing without one.
    virtual void pauseReadable() = 0;
    virtual void resumeReadable() = 0;
    virtual bool isReadablePaused() const = 0;
    // Calls onWritable whenever the port can take more output, until stopped or closed.
    virtual void watchWritable(std::function<void()> onWritable) = 0;
    virtual void stopWatchingWritable() = 0;
    virtual bool isWatchingWritable() const = 0;
};
