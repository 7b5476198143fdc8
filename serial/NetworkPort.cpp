#include "serial/NetworkPort.h"

#include "serial/endWatch.h"
#include "toolkit/ReadWatch.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"
#include "toolkit/printableText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace {

#ifdef MSG_NOSIGNAL
constexpr int sendFlags = MSG_NOSIGNAL;
#else
constexpr int sendFlags = 0; // macOS: SO_NOSIGPIPE is set on the socket instead
#endif

// One send at most this much, so one port's flood can't hold the loop for long.
constexpr std::size_t maxSend = 256 * 1024;

bool wouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

} // namespace

NetworkPort::NetworkPort(FileDescriptor socket, NetworkAddress address)
    : socket_(std::move(socket)), address_(std::move(address))
{
#ifdef SO_NOSIGPIPE
    const int on = 1;
    ::setsockopt(socket_.get(), SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on);
#endif
    if (address_.speaksTelnet()) {
        telnet_.emplace(address_.setsSerialPort());
        telnet_->onComPortSubnegotiation([this](std::string_view payload) { comPort_.take(payload); });
    }
}

NetworkPort::~NetworkPort()
{
    close();
}

void NetworkPort::sendSubnegotiation(const std::string& payload)
{
    if (!address_.setsSerialPort())
        return;
    std::string wire;
    TelnetCodec::appendSubnegotiation(TelnetCodec::ComPort, payload, wire);
    sendControl(wire);
}

void NetworkPort::sendControl(const std::string& wire)
{
    wire_.appendControl(wire);
    flushByItself();
}

void NetworkPort::flushByItself()
{
    // Data waits for the caller, who counts it as sent; commands ahead of it needn't.
    while (socket_ && !hungUp_ && wire_.controlAtFront() > 0) {
        const ssize_t sent = ::send(socket_.get(), wire_.front(), wire_.controlAtFront(), sendFlags);
        if (sent < 0) {
            if (!wouldBlock(errno))
                hangUp(errno);
            break;
        }
        wire_.consume(static_cast<std::size_t>(sent));
    }
    const bool more = socket_ && !hungUp_ && wire_.controlAtFront() > 0;
    if (more && !writeWatch_) {
        flushingByItself_ = true;
        writeWatch_ = ReadWatch::watchWritable(socket_.get(), [this] { flushByItself(); });
        RunLoop::currentRunLoop().addWatch(writeWatch_);
    } else if (!more && flushingByItself_) {
        flushingByItself_ = false;
        endWatch(writeWatch_);
    }
}

long NetworkPort::hangUp(int error)
{
    hungUp_ = true;
    (void)error; // a reset, a refused send and an end of stream all mean the server is gone
    return -EIO;
}

long NetworkPort::receive(char* into, std::size_t size, std::string& data)
{
    if (!socket_)
        return -EBADF;
    if (hungUp_)
        return -EIO;
    const ssize_t got = ::recv(socket_.get(), into, size, 0);
    if (got < 0)
        return wouldBlock(errno) ? 0 : hangUp(errno);
    if (got == 0)
        return hangUp(0);
    if (!telnet_) {
        data.append(into, static_cast<std::size_t>(got));
        return got;
    }
    replies_.clear();
    telnet_->receive(std::string_view(into, static_cast<std::size_t>(got)), data, replies_);
    if (!replies_.empty())
        sendControl(replies_);
    return got;
}

long NetworkPort::read(char* buffer, std::size_t size)
{
    if (!socket_)
        return -EBADF;
    if (!kept_.empty()) {
        const std::size_t count = std::min(size, kept_.size());
        std::memcpy(buffer, kept_.data(), count);
        kept_.erase(0, count);
        return static_cast<long>(count);
    }
    if (!telnet_) {
        if (hungUp_)
            return -EIO;
        const ssize_t got = ::recv(socket_.get(), buffer, size, 0);
        if (got < 0)
            return wouldBlock(errno) ? 0 : hangUp(errno);
        return got == 0 ? hangUp(0) : static_cast<long>(got);
    }
    // Decoding never makes more data than it was given, so `size` wire bytes fit the buffer.
    received_.resize(size);
    decoded_.clear();
    const long got = receive(received_.data(), size, decoded_);
    if (got <= 0)
        return got;
    std::memcpy(buffer, decoded_.data(), decoded_.size());
    return static_cast<long>(decoded_.size());
}

void NetworkPort::queue(std::string_view bytes)
{
    if (!telnet_) {
        wire_.appendData(bytes, false);
        return;
    }
    std::string encoded;
    telnet_->encode(bytes, encoded);
    wire_.appendData(encoded, !telnet_->weSendBinary());
}

long NetworkPort::writeQueued()
{
    if (!socket_)
        return -EBADF;
    if (hungUp_)
        return -EIO;
    if (wire_.empty())
        return 0;
    const ssize_t sent = ::send(socket_.get(), wire_.front(), std::min(wire_.size(), maxSend), sendFlags);
    if (sent < 0)
        return wouldBlock(errno) ? -EAGAIN : hangUp(errno);
    return static_cast<long>(wire_.consume(static_cast<std::size_t>(sent)));
}

void NetworkPort::dropPendingOutput(std::string_view reason)
{
    if (const std::size_t lost = wire_.pendingData(); lost > 0)
        std::fprintf(stderr, "serialterm: %s: %zu unsent bytes dropped (%.*s)\n", printableText(address_.text()).c_str(),
                     lost, static_cast<int>(reason.size()), reason.data());
    wire_.clear();
}

bool NetworkPort::isHungUp() const
{
    if (!socket_)
        return false;
    if (hungUp_)
        return true;
    pollfd entry{socket_.get(), 0, 0};
    return ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLERR)) != 0;
}

std::size_t NetworkPort::bytesWaiting() const
{
    int waiting = 0;
    if (!socket_ || ::ioctl(socket_.get(), FIONREAD, &waiting) != 0 || waiting < 0)
        waiting = 0;
    return kept_.size() + static_cast<std::size_t>(waiting);
}

int NetworkPort::close()
{
    if (!socket_)
        return 0;
    endWatch(settleWatch_);
    endWatch(readWatch_);
    endWatch(writeWatch_);
    flushingByItself_ = false;
    keptDataTimer_.reset();
    onReadable_ = nullptr;
    ready_ = nullptr;
    dropPendingOutput("port closed");
    // Linux frees the descriptor even when close() fails: it must not be kept.
    const int result = ::close(socket_.release());
    return result == 0 ? 0 : errno;
}

void NetworkPort::watchReadable(std::function<void()> onReadable)
{
    endWatch(readWatch_);
    onReadable_ = std::move(onReadable);
    resumeReadable();
}

void NetworkPort::pauseReadable()
{
    endWatch(readWatch_);
    keptDataTimer_.reset();
}

void NetworkPort::resumeReadable()
{
    if (!socket_ || !onReadable_ || readWatch_)
        return;
    readWatch_ = ReadWatch::watchDescriptor(socket_.get(), [this] {
        const std::function<void()> callback = onReadable_; // it may close the port
        callback();
    });
    RunLoop::currentRunLoop().addWatch(readWatch_);
    wakeForKeptData();
}

void NetworkPort::wakeForKeptData()
{
    // What came while the port settled is no longer in the socket: its watch would not fire.
    if (kept_.empty())
        return;
    keptDataTimer_ = Timer::timerWithTimeInterval(0, [this](Timer&) {
        if (readWatch_ && onReadable_) {
            const std::function<void()> callback = onReadable_;
            callback();
        }
    }, false);
    RunLoop::currentRunLoop().addTimer(keptDataTimer_);
}

void NetworkPort::watchWritable(std::function<void()> onWritable)
{
    endWatch(writeWatch_);
    flushingByItself_ = false;
    if (!socket_)
        return;
    writeWatch_ = ReadWatch::watchWritable(socket_.get(), std::move(onWritable));
    RunLoop::currentRunLoop().addWatch(writeWatch_);
}

void NetworkPort::stopWatchingWritable()
{
    if (flushingByItself_)
        return;
    endWatch(writeWatch_);
    flushByItself();
}
