#include "serial/SerialPort.h"

#include "serial/ArrivalClock.h"
#include "serial/ExactSpeed.h"
#include "serial/PortHolder.h"
#include "serial/PortOptions.h"
#include "serial/RepeatWriter.h"
#include "toolkit/ReadWatch.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Stderr.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

bool wouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

void end(std::shared_ptr<ReadWatch>& watch)
{
    if (const std::shared_ptr<ReadWatch> ending = std::move(watch))
        ending->invalidate();
}

} // namespace

std::unique_ptr<SerialPort> SerialPort::open(const std::string& path, std::string name, int baud, int packetFlag,
                                             int flowFlag, int& error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd == -1) {
        error = errno;
        return nullptr;
    }
    std::unique_ptr<SerialPort> port(new SerialPort(fd, std::move(name)));
    if (!port->claim() || !port->configure(baud, packetFlag, flowFlag)) {
        error = errno;
        port->close();
        return nullptr;
    }
    return port;
}

SerialPort::SerialPort(int fd, std::string name)
    : fd_(fd), name_(std::move(name))
{
}

SerialPort::~SerialPort()
{
    close();
}

bool SerialPort::claim()
{
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        // Only a lock held elsewhere refuses the port; a file system without locks can't.
        if (errno == EWOULDBLOCK) {
            errno = EBUSY;
            return false;
        }
    }
    // Set after the lock, so a refused open never touches the holder's tty. It keeps out
    // programs that don't lock (only root passes it), until we end it on close.
    exclusive_ = ::ioctl(fd_, TIOCEXCL) == 0;
    // A program that doesn't lock (cat, a script) may have had the port open before us: the
    // options are then shared, and putting back the ones from before we opened would change
    // them under it. Asked once, here: with the exclusive mode set no such program gets in
    // later. Asked through our descriptor, whatever name the device goes by.
    shared_ = PortHolder::otherUser("/proc/self/fd/" + std::to_string(fd_)).has_value();
    return true;
}

bool SerialPort::configure(int baud, int packetFlag, int flowFlag)
{
    // Something that isn't a terminal can't be configured, so it can't serve as a port.
    if (::tcgetattr(fd_, &saved_) != 0)
        return false;
    haveSaved_ = true;
#ifdef __linux__
    // glibc's termios can't hold a custom rate (BOTHER): it is kept in the kernel's terms.
    if (unsigned input = 0, output = 0; ExactSpeed::read(fd_, input, output) && output > 0 &&
                                        output <= static_cast<unsigned>(std::numeric_limits<int>::max()) &&
                                        !PortOptions::speedFor(static_cast<int>(output)))
        savedRate_ = output;
#endif
    termios working = saved_;
    PortOptions::apply(working, baud, packetFlag, flowFlag);
    if (::tcsetattr(fd_, TCSANOW, &working) != 0)
        return false;
    // A rate the device refuses leaves it at the speed it runs at, which the caller reads
    // back and reports: the port is usable, only not at the rate asked for.
    const int rate = PortOptions::rateFor(baud);
    if (!PortOptions::speedFor(rate))
        ExactSpeed::set(fd_, static_cast<unsigned>(rate));
    return true;
}

int SerialPort::close()
{
    if (fd_ == -1)
        return 0;
    // Nothing may watch or write a descriptor once it is closed.
    if (const std::shared_ptr<RepeatWriter> repeating = repeat_.lock())
        repeating->stop();
    arrivals_.reset();
    end(readWatch_);
    end(writeWatch_);
    onReadable_ = nullptr;
    dropPendingOutput("port closed");
    // Without the exclusive mode another program may have come since: ask again.
    const bool shared = shared_ || (!exclusive_ && PortHolder::otherUser("/proc/self/fd/" + std::to_string(fd_)));
    if (haveSaved_ && !shared) {
        ::tcsetattr(fd_, TCSANOW, &saved_);
        if (savedRate_ != 0)
            ExactSpeed::set(fd_, savedRate_);
    }
    // The mode belongs to the tty, not to our descriptor: it would outlive the close while
    // someone else (a pty's master side, a getty) keeps the tty open.
    if (exclusive_)
        ::ioctl(fd_, TIOCNXCL);
    // Linux frees the descriptor even when close() fails, so the number must not be kept:
    // closing it again later could close a descriptor someone else got in the meantime.
    const int result = ::close(fd_);
    const int error = result == 0 ? 0 : errno;
    fd_ = -1;
    return error;
}

long SerialPort::read(char* buffer, std::size_t size)
{
    if (fd_ == -1)
        return -EBADF;
    const ssize_t count = ::read(fd_, buffer, size);
    if (count < 0)
        return wouldBlock(errno) ? 0 : -errno;
    // A hung-up terminal reads as empty forever; say it is gone rather than quiet.
    if (count == 0 && isHungUp())
        return -EIO;
    return static_cast<long>(count);
}

long SerialPort::readWithArrivals(char* buffer, std::size_t size, std::vector<Arrival>& arrivals)
{
    if (!arrivals_)
        return Port::readWithArrivals(buffer, size, arrivals);
    // Under the clock's lock, so no arrival is noted half before this read and half after.
    const auto held = arrivals_->lock();
    const long count = read(buffer, size);
    if (count > 0)
        arrivals_->took(static_cast<std::size_t>(count), arrivals, held);
    return count;
}

long SerialPort::writeQueued()
{
    if (fd_ == -1)
        return -EBADF;
    return output_.write(fd_);
}

void SerialPort::dropPendingOutput(std::string_view reason)
{
    if (const std::size_t dropped = output_.clear(); dropped > 0)
        Stderr::line(name_ + ": " + std::to_string(dropped) + " unsent bytes dropped (" + std::string(reason) + ")");
}

std::shared_ptr<PortRepeat> SerialPort::repeat(std::string message, std::chrono::nanoseconds interval)
{
    if (const std::shared_ptr<RepeatWriter> earlier = repeat_.lock())
        earlier->stop();
    if (fd_ == -1)
        return nullptr;
    auto repeating = std::make_shared<RepeatWriter>(fd_, output_, std::move(message), interval);
    repeat_ = repeating;
    return repeating;
}

bool SerialPort::isHungUp() const
{
    if (fd_ == -1)
        return false;
    pollfd entry{fd_, 0, 0};
    if (::poll(&entry, 1, 0) < 0)
        return false;
#ifdef __linux__
    constexpr short gone = POLLHUP | POLLERR | POLLNVAL;
#else
    // macOS answers POLLNVAL for a tty that is alive and well; only a hang-up or an error count.
    constexpr short gone = POLLHUP | POLLERR;
#endif
    return (entry.revents & gone) != 0;
}

std::size_t SerialPort::bytesWaiting() const
{
    int waiting = 0;
    if (fd_ == -1 || ::ioctl(fd_, FIONREAD, &waiting) != 0 || waiting < 0)
        return 0;
    return static_cast<std::size_t>(waiting);
}

void SerialPort::watchReadable(std::function<void()> onReadable)
{
    // Whoever reads the port as data comes wants to know when it came, also while paused.
    if (!arrivals_ && fd_ != -1)
        arrivals_ = std::make_unique<ArrivalClock>(fd_);
    end(readWatch_);
    onReadable_ = std::move(onReadable);
    resumeReadable();
}

void SerialPort::pauseReadable()
{
    end(readWatch_);
}

void SerialPort::resumeReadable()
{
    if (fd_ == -1 || !onReadable_ || readWatch_)
        return;
    // The watch calls through this port, which owns it: the watch can't outlive the port.
    readWatch_ = ReadWatch::watchDescriptor(fd_, [this] {
        const std::function<void()> callback = onReadable_; // it may close the port
        callback();
    });
    RunLoop::currentRunLoop().addWatch(readWatch_);
}

void SerialPort::watchWritable(std::function<void()> onWritable)
{
    end(writeWatch_);
    if (fd_ == -1)
        return;
    writeWatch_ = ReadWatch::watchWritable(fd_, std::move(onWritable));
    RunLoop::currentRunLoop().addWatch(writeWatch_);
}

void SerialPort::stopWatchingWritable()
{
    end(writeWatch_);
}
