#include "app/send/PortSink.h"

#include "devices/Port.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

struct PortSink::State : std::enable_shared_from_this<State> {
    PortSource port;
    std::function<void(std::size_t)> written;
    std::size_t dropped = 0;
    int lastError = 0;
    // The port whose write failed: a port opened since starts with no failure.
    Port* failedOn = nullptr;
    std::size_t below = 0;
    std::function<void()> waiter;
    std::shared_ptr<Timer> soon;

    Port* open()
    {
        Port* current = port ? port() : nullptr;
        if (current && current != failedOn)
            lastError = 0;
        return current && current->descriptor() != -1 ? current : nullptr;
    }

    // Writes as long as the port takes bytes; the rest waits for its writable watch.
    void drain()
    {
        Port* current = open();
        if (!current)
            return tell();
        while (current->pendingBytes() > 0) {
            const long count = current->writeQueued();
            if (count == -EAGAIN || count == 0)
                break;
            if (count < 0) {
                lastError = static_cast<int>(-count);
                failedOn = current;
                dropped += current->pendingBytes();
                current->dropPendingOutput(std::strerror(lastError));
                break;
            }
            if (written)
                written(static_cast<std::size_t>(count));
        }
        if (current->pendingBytes() == 0)
            current->stopWatchingWritable();
        else if (!current->isWatchingWritable())
            current->watchWritable([self = shared_from_this()] { self->drain(); });
        tell();
    }

    // Tells on the next turn of the loop, never from within the caller's own call.
    void tellSoon()
    {
        if (soon && soon->isValid())
            return;
        soon = Timer::timerWithTimeInterval(0, [weak = weak_from_this()](Timer&) {
            if (const std::shared_ptr<State> state = weak.lock())
                state->tell();
        }, false);
        RunLoop::currentRunLoop().addTimer(soon);
    }

    // The one waiting hears once the queue is short enough, or the port is gone.
    void tell()
    {
        if (!waiter)
            return;
        Port* current = open();
        if (current && lastError == 0 && current->pendingBytes() >= below)
            return;
        std::exchange(waiter, nullptr)();
    }
};

PortSink::PortSink(PortSource port, std::function<void(std::size_t)> written)
    : state_(std::make_shared<State>())
{
    state_->port = std::move(port);
    state_->written = std::move(written);
}

PortSink::~PortSink()
{
    state_->waiter = nullptr;
    if (state_->soon)
        state_->soon->invalidate();
}

bool PortSink::write(std::string_view bytes)
{
    Port* current = state_->open();
    if (!current || state_->lastError != 0)
        return false;
    current->queue(bytes);
    // Only the front of the queue is ever written, so what others queued before still goes first.
    std::function<void()> waiting = std::exchange(state_->waiter, nullptr);
    state_->drain();
    state_->waiter = std::move(waiting);
    if (state_->waiter)
        state_->tellSoon();
    return true;
}

std::size_t PortSink::pending() const
{
    const Port* current = state_->open();
    return current ? current->pendingBytes() : 0;
}

bool PortSink::isOpen() const
{
    const Port* current = state_->open();
    return current && state_->lastError == 0 && !current->isHungUp();
}

std::size_t PortSink::dropped() const
{
    return state_->dropped;
}

int PortSink::lastError() const
{
    return state_->lastError;
}

void PortSink::whenBelow(std::size_t bytes, std::function<void()> callback)
{
    state_->below = bytes;
    state_->waiter = std::move(callback);
    if (!state_->waiter)
        return;
    // Whoever watched the port's room before, the drain that tells is ours from now on.
    if (Port* current = state_->open(); current && current->pendingBytes() > 0)
        current->watchWritable([state = state_] { state->drain(); });
    state_->tellSoon();
}

std::shared_ptr<PortRepeat> PortSink::repeat(std::string message, std::chrono::nanoseconds interval)
{
    Port* current = state_->open();
    if (!current || state_->lastError != 0)
        return nullptr;
    return current->repeat(std::move(message), interval);
}

void PortSink::repeated(std::size_t bytes)
{
    if (bytes > 0 && state_->written)
        state_->written(bytes);
    if (Port* current = state_->open(); current && current->pendingBytes() > 0 && !current->isWatchingWritable())
        state_->drain();
}
