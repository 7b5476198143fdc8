#include "serial/SerialController.h"

#include "devices/Device.h"
#include "serial/ExactSpeed.h"
#include "serial/PortOptions.h"
#include "toolkit/Log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool wouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

} // namespace

bool SerialController::openPort(Device* device)
{
    if (!device)
        return false;
    // Reopening must start from the device's own settings, not from ours.
    device->releasePort();
    const std::string path = device->path();
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd == -1) {
        lastError_ = errno;
        return false;
    }
    device->setPortHandle(fd);
    if (!configure(*device)) {
        lastError_ = errno;
        device->releasePort();
        return false;
    }
    logLine("OPEND port");
    return true;
}

bool SerialController::configure(Device& device)
{
    const int fd = device.getPortHandle();
    termios* saved = device.getOptions();
    // Something that isn't a terminal can't be configured, so it can't serve as a port.
    if (::tcgetattr(fd, saved) != 0)
        return false;
    termios working = *saved;
    PortOptions::apply(working, device.getBaud(), device.getPacketFlag(), device.getFlowFlag());
    if (::tcsetattr(fd, TCSANOW, &working) != 0)
        return false;
    const int rate = PortOptions::rateFor(device.getBaud());
    if (!PortOptions::speedFor(rate))
        return ExactSpeed::set(fd, static_cast<unsigned>(rate));
    return true;
}

bool SerialController::closePort(Device* device)
{
    if (!device)
        return false;
    if (device->getPortHandle() == -1) {
        logLine("Failed to closed previsouly enabled port");
        return false;
    }
    if (const int error = device->releasePort(); error != 0) {
        lastError_ = error;
        logLine("Failed to closed previsouly enabled port");
        return false;
    }
    logLine("Closed previsouly enabled port");
    return true;
}

int SerialController::readPort(Device* device, char* buffer, int bufSiz)
{
    if (!device || device->getPortHandle() == -1) {
        logLine("---------->Device port handle not initialized");
        return -1;
    }
    if (!buffer || bufSiz < 0) {
        lastError_ = EINVAL;
        logLine("Serial:ERROR reading data from port");
        return -1;
    }
    std::memset(buffer, 0, static_cast<std::size_t>(bufSiz));
    const ssize_t count = ::read(device->getPortHandle(), buffer, static_cast<std::size_t>(bufSiz));
    // A hung-up terminal reads as empty forever; say it is gone rather than quiet.
    const int error = count < 0 ? errno : count == 0 && isHungUp(device) ? EIO : 0;
    if (error != 0 && !wouldBlock(error)) {
        lastError_ = error;
        logLine("Serial:ERROR reading data from port");
        return -1;
    }
    if (count <= 0) {
        logLine("Serial:NO DATA");
        return 0;
    }
    logLinef("Serial:%d Bytes Read", static_cast<int>(count));
    return static_cast<int>(count);
}

bool SerialController::sendOnPort(Device* device, const char* msg, int length)
{
    if (!device || device->getPortHandle() == -1) {
        logLine("Invalid port handle");
        return false;
    }
    if (length < 0 || (!msg && length > 0)) {
        lastError_ = EINVAL;
        logLine("Serial: wrote no (-1) bytes");
        return false;
    }
    // Behind anything still queued, so bytes never overtake each other.
    device->pendingOutput().append(msg ? msg : "", static_cast<std::size_t>(length));
    return writeQueued(*device);
}

bool SerialController::drainOutput(Device* device)
{
    if (!device || device->getPortHandle() == -1)
        return true;
    const std::string& queue = device->pendingOutput();
    while (!queue.empty()) {
        const std::size_t before = queue.size();
        if (!writeQueued(*device))
            return false;
        if (queue.size() == before)
            break; // the port takes no more for now
    }
    return true;
}

bool SerialController::writeQueued(Device& device)
{
    std::string& queue = device.pendingOutput();
    const ssize_t written = ::write(device.getPortHandle(), queue.data(), queue.size());
    if (written >= 0) {
        logLinef("Serial: Wrote %d bytes", static_cast<int>(written));
        queue.erase(0, static_cast<std::size_t>(written));
        return true;
    }
    const int error = errno;
    if (wouldBlock(error))
        return true;
    lastError_ = error;
    logLinef("Serial: wrote no (%d) bytes", static_cast<int>(written));
    device.dropPendingOutput(std::strerror(error));
    return false;
}

std::size_t SerialController::pendingBytes(const Device* device) const
{
    return device ? device->pendingOutput().size() : 0;
}

bool SerialController::isHungUp(const Device* device) const
{
    if (!device || device->getPortHandle() == -1)
        return false;
    pollfd entry{device->getPortHandle(), 0, 0};
    if (::poll(&entry, 1, 0) < 0)
        return false;
    return (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}
