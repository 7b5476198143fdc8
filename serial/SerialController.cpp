#include "serial/SerialController.h"

#include "devices/Device.h"
#include "serial/ExactSpeed.h"
#include "serial/NetworkAddress.h"
#include "serial/NetworkConnector.h"
#include "serial/NetworkModemLines.h"
#include "serial/NetworkPort.h"
#include "serial/PortOptions.h"
#include "serial/SerialPort.h"
#include "serial/TermiosModemLines.h"
#include "toolkit/Log.h"

#include <cerrno>
#include <cstring>

SerialController::SerialController() = default;

SerialController::~SerialController() = default;

bool SerialController::openPort(Device* device)
{
    if (!device)
        return false;
    // Reopening must start from the device's own settings, not from ours.
    device->releasePort();
    int error = 0;
    std::unique_ptr<SerialPort> port = SerialPort::open(device->path(), device->getAddr(), device->getBaud(),
                                                        device->getPacketFlag(), device->getFlowFlag(), error);
    if (!port) {
        lastError_ = error;
        portHolder_ = error == EBUSY ? PortHolder::find(device->path()) : std::nullopt;
        return false;
    }
    const int fd = port->descriptor();
    device->setPort(std::move(port));
    unsigned input = 0, output = 0;
    runningRate_ = ExactSpeed::read(fd, input, output) ? static_cast<int>(output) : 0;
    // Opening asserts both lines; a record that wants them down gets them down again. A port
    // without modem lines refuses, and there is nothing to put back.
    if (const std::unique_ptr<ModemLines> lines = modemLines(device)) {
        int ignored = 0;
        lines->set(ModemLines::Dtr, device->getDtr(), ignored);
        if (!PortOptions::driverDrivesRts(device->getFlowFlag()))
            lines->set(ModemLines::Rts, device->getRts(), ignored);
    }
    logLine("OPEND port");
    return true;
}

bool SerialController::isNetworkAddress(std::string_view name)
{
    return NetworkAddress::looksLikeOne(name);
}

void SerialController::openPortAsync(Device* device, std::function<void(bool opened)> done)
{
    cancelOpen();
    if (!device)
        return;
    // Reopening must start from the device's own settings, as openPort does.
    device->releasePort();
    const PortSettings settings{device->getBaud(), device->getPacketFlag(), device->getFlowFlag(), device->getDtr(),
                                device->getRts()};
    opening_ = device;
    connector_ = std::make_unique<NetworkConnector>(
        device->getAddr(), settings, [this, device, done = std::move(done)](NetworkConnector::Result result) {
            // Kept until this returns: the connector is still on the stack below.
            const std::unique_ptr<NetworkConnector> finished = std::move(connector_);
            opening_ = nullptr;
            if (!result.port) {
                lastError_ = result.error;
                openFailure_ = std::move(result.message);
                portHolder_.reset();
                done(false);
                return;
            }
            openFailure_.clear();
            runningRate_ = result.port->runningRate();
            device->setPort(std::move(result.port));
            logLine("OPEND port");
            done(true);
        },
        networkTimeout_);
    connector_->start();
}

void SerialController::cancelOpen()
{
    connector_.reset();
    opening_ = nullptr;
}

int SerialController::requestedRate(int baud)
{
    return PortOptions::rateFor(baud);
}

bool SerialController::hasMarkSpaceParity()
{
    return PortOptions::hasStickParity();
}

std::unique_ptr<ModemLines> SerialController::modemLines(const Device* device) const
{
    const int fd = device ? device->getPortHandle() : -1;
    if (fd == -1)
        return nullptr;
    // A network port's lines go over its connection, not through ioctls on the socket.
    if (auto* network = dynamic_cast<NetworkPort*>(device->getPort()))
        return std::make_unique<NetworkModemLines>(*network);
    if (modemLinesFor_)
        return modemLinesFor_(fd);
    return std::make_unique<TermiosModemLines>(fd);
}

bool SerialController::closePort(Device* device)
{
    if (!device)
        return false;
    if (device == opening_)
        cancelOpen();
    if (!device->getPort()) {
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
    std::vector<Port::Arrival> unused;
    return readPort(device, buffer, bufSiz, unused);
}

int SerialController::readPort(Device* device, char* buffer, int bufSiz, std::vector<Port::Arrival>& arrivals)
{
    Port* port = device ? device->getPort() : nullptr;
    if (!port) {
        logLine("---------->Device port handle not initialized");
        return -1;
    }
    if (!buffer || bufSiz < 0) {
        lastError_ = EINVAL;
        logLine("Serial:ERROR reading data from port");
        return -1;
    }
    std::memset(buffer, 0, static_cast<std::size_t>(bufSiz));
    const long count = port->readWithArrivals(buffer, static_cast<std::size_t>(bufSiz), arrivals);
    if (count < 0) {
        lastError_ = static_cast<int>(-count);
        logLine("Serial:ERROR reading data from port");
        return -1;
    }
    if (count == 0) {
        logLine("Serial:NO DATA");
        return 0;
    }
    logLinef("Serial:%d Bytes Read", static_cast<int>(count));
    return static_cast<int>(count);
}

bool SerialController::sendOnPort(Device* device, const char* msg, int length)
{
    Port* port = device ? device->getPort() : nullptr;
    if (!port) {
        logLine("Invalid port handle");
        return false;
    }
    if (length < 0 || (!msg && length > 0)) {
        lastError_ = EINVAL;
        logLine("Serial: wrote no (-1) bytes");
        return false;
    }
    // Behind anything still queued, so bytes never overtake each other.
    port->queue(std::string_view(msg ? msg : "", static_cast<std::size_t>(length)));
    return writeQueued(*device, *port);
}

bool SerialController::drainOutput(Device* device)
{
    Port* port = device ? device->getPort() : nullptr;
    if (!port)
        return true;
    while (port->pendingBytes() > 0) {
        const std::size_t before = port->pendingBytes();
        if (!writeQueued(*device, *port))
            return false;
        if (port->pendingBytes() == before)
            break; // the port takes no more for now
    }
    return true;
}

bool SerialController::writeQueued(Device& device, Port& port)
{
    const long written = port.writeQueued();
    if (written >= 0) {
        device.addSent(static_cast<std::size_t>(written));
        logLinef("Serial: Wrote %d bytes", static_cast<int>(written));
        return true;
    }
    if (written == -EAGAIN)
        return true;
    lastError_ = static_cast<int>(-written);
    logLine("Serial: wrote no (-1) bytes");
    droppedBytes_ = port.pendingBytes();
    port.dropPendingOutput(std::strerror(lastError_));
    return false;
}

std::size_t SerialController::pendingBytes(const Device* device) const
{
    const Port* port = device ? device->getPort() : nullptr;
    return port ? port->pendingBytes() : 0;
}

bool SerialController::isHungUp(const Device* device) const
{
    const Port* port = device ? device->getPort() : nullptr;
    return port && port->isHungUp();
}
