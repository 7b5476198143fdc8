#include "app/send/BorrowedPort.h"

#include <cerrno>

BorrowedPort::BorrowedPort(std::function<Port*()> source)
    : source_(std::move(source)), borrowed_(source_ ? source_() : nullptr)
{}

Port* BorrowedPort::current() const
{
    Port* now = source_ ? source_() : nullptr;
    return now && now == borrowed_ && now->descriptor() != -1 ? now : nullptr;
}

int BorrowedPort::descriptor() const
{
    const Port* port = current();
    return port ? port->descriptor() : -1;
}

termios* BorrowedPort::savedOptions()
{
    Port* port = current();
    return port ? port->savedOptions() : nullptr;
}

// The record closes its port; a borrower never does.
int BorrowedPort::close()
{
    return 0;
}

long BorrowedPort::read(char* buffer, std::size_t size)
{
    Port* port = current();
    return port ? port->read(buffer, size) : -EIO;
}

void BorrowedPort::queue(std::string_view bytes)
{
    if (Port* port = current())
        port->queue(bytes);
}

long BorrowedPort::writeQueued()
{
    Port* port = current();
    return port ? port->writeQueued() : -EIO;
}

std::size_t BorrowedPort::pendingBytes() const
{
    const Port* port = current();
    return port ? port->pendingBytes() : 0;
}

void BorrowedPort::dropPendingOutput(std::string_view reason)
{
    if (Port* port = current())
        port->dropPendingOutput(reason);
}

bool BorrowedPort::isHungUp() const
{
    const Port* port = current();
    return !port || port->isHungUp();
}

std::size_t BorrowedPort::bytesWaiting() const
{
    const Port* port = current();
    return port ? port->bytesWaiting() : 0;
}

void BorrowedPort::watchReadable(std::function<void()> onReadable)
{
    if (Port* port = current())
        port->watchReadable(std::move(onReadable));
}

bool BorrowedPort::isWatchingReadable() const
{
    const Port* port = current();
    return port && port->isWatchingReadable();
}

void BorrowedPort::pauseReadable()
{
    if (Port* port = current())
        port->pauseReadable();
}

void BorrowedPort::resumeReadable()
{
    if (Port* port = current())
        port->resumeReadable();
}

bool BorrowedPort::isReadablePaused() const
{
    const Port* port = current();
    return port && port->isReadablePaused();
}

void BorrowedPort::watchWritable(std::function<void()> onWritable)
{
    if (Port* port = current())
        port->watchWritable(std::move(onWritable));
}

void BorrowedPort::stopWatchingWritable()
{
    if (Port* port = current())
        port->stopWatchingWritable();
}

bool BorrowedPort::isWatchingWritable() const
{
    const Port* port = current();
    return port && port->isWatchingWritable();
}
