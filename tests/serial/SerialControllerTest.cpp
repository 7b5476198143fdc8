#include "serial/SerialController.h"

#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "serial/ExactSpeed.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/PopUpButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>

using namespace std::chrono_literals;

namespace {

// /dev/fd lists this process's descriptors on Linux and macOS alike.
std::size_t openDescriptors()
{
    const std::filesystem::directory_iterator entries("/dev/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

void expectSameSettings(const termios& a, const termios& b)
{
    EXPECT_TRUE(a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
        a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0);
}

std::pair<unsigned, unsigned> speeds(int fd)
{
    unsigned input = 0, output = 0;
    EXPECT_TRUE(ExactSpeed::read(fd, input, output));
    return {input, output};
}

void awaitBytes(int fd, int count)
{
    for (int waiting = 0, tries = 0; waiting < count && tries < 1000; ++tries) {
        ::ioctl(fd, FIONREAD, &waiting);
        ::poll(nullptr, 0, 1);
    }
}

// A device file in a scratch folder that is really a pty slave; the test is the far end.
class SerialControllerTest : public testing::Test {
protected:
    SerialControllerTest() { dev.link("cu.pty", pty.slavePath()); }

    LogCapture lines;
    Pty pty;
    TempDir dev;
    Device device{"cu.pty", dev.path()};
    SerialController serial;
};

} // namespace

TEST_F(SerialControllerTest, OpensAtEveryRateAndOneNotPositiveAt9600WithItsFlowTypeAndOneStopBit)
{
    termios start = pty.slaveOptions();
    start.c_iflag |= IXON | IXOFF;
    start.c_cflag |= CSTOPB;
    ASSERT_EQ(::tcsetattr(pty.slave(), TCSANOW, &start), 0);
    const std::pair<int, unsigned> rates[] = {{300, 300}, {600, 600}, {1200, 1200}, {1800, 1800},
        {2400, 2400}, {4800, 4800}, {9600, 9600}, {14400, 14400}, {19200, 19200}, {28800, 28800},
        {38400, 38400}, {57600, 57600}, {115200, 115200}, {0, 9600}, {-1, 9600}, {7200, 7200}, {230400, 230400}};
    const std::string flowLines[] = {"None", "XON/XOFF", "Hardware"};
    std::string expectedLines;
    int flow = 0;
    for (const auto& [baud, speed] : rates) {
        device.setBaud(baud);
        device.setFlowFlag(flow = (flow + 1) % 3);
        EXPECT_TRUE(serial.openPort(&device));
        EXPECT_EQ(speeds(pty.slave()), std::pair(speed, speed)) << baud;
        const termios options = pty.slaveOptions();
        EXPECT_EQ(options.c_iflag & (IXON | IXOFF), flow == 1 ? IXON | IXOFF : 0u) << flow;
        EXPECT_EQ((options.c_cflag & CRTSCTS) != 0, flow == 2) << flow;
        EXPECT_EQ(options.c_cflag & CSTOPB, 0u) << flow;
        EXPECT_TRUE(serial.closePort(&device));
        expectedLines += "SETTING Packet N81\nSETTING Flow " + flowLines[flow] + "\nOPEND port\nClosed previsouly enabled port\n";
    }
    EXPECT_EQ(lines.take(), expectedLines);
}

TEST_F(SerialControllerTest, ClosingOrAScanThatDropsTheRecordRestoresTheDeviceSettingsAndItsDescriptor)
{
    const termios before = pty.slaveOptions();
    const std::size_t descriptors = openDescriptors();
    device.setBaud(28800);
    device.setPacketFlag(2);
    device.setFlowFlag(1);
    ASSERT_TRUE(serial.openPort(&device));
    ASSERT_TRUE(serial.openPort(&device)) << "reopening must not keep our settings as the device's own";
    EXPECT_EQ(openDescriptors(), descriptors + 1);
    lines.take();
    EXPECT_TRUE(serial.closePort(&device));
    EXPECT_FALSE(serial.closePort(&device));
    EXPECT_EQ(lines.take(), "Closed previsouly enabled port\nFailed to closed previsouly enabled port\n");
    expectSameSettings(before, pty.slaveOptions());
    EXPECT_EQ(speeds(pty.slave()).second, 38400u);
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(device.getPortHandle(), -1);

    DeviceList& list = DeviceList::sharedDeviceList();
    list = DeviceList({dev.path(), dev.path() + "/no-sys"});
    PopUpButton menu;
    list.refreshDeviceList(menu);
    ASSERT_TRUE(serial.openPort(list.getDeviceAtIndex(0)));
    dev.remove("cu.pty");
    lines.take();
    list.refreshDeviceList(menu);
    EXPECT_EQ(lines.take(), "device cu.pty not found again, REMOVING..\n");
    EXPECT_EQ(openDescriptors(), descriptors);
    expectSameSettings(before, pty.slaveOptions());
}

TEST_F(SerialControllerTest, EachRecordReadsItsOwnPortUnchangedWithoutEchoAndNoMoreThanTheBuffer)
{
    Pty otherPty;
    dev.link("cu.other", otherPty.slavePath());
    Device other("cu.other", dev.path());
    device.setFlowFlag(2); // a tty's default IXON would still eat 0x11 and 0x13 here
    ASSERT_TRUE(serial.openPort(&device));
    ASSERT_TRUE(serial.openPort(&other));
    char buffer[512];
    lines.take();
    EXPECT_EQ(serial.readPort(&device, buffer, sizeof buffer), 0);
    EXPECT_EQ(lines.take(), "Serial:NO DATA\n");

    // Every byte value, the terminal's line-editing, signal and flow characters among them.
    std::string bytes(600, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    pty.writeMaster(bytes);
    otherPty.writeMaster("second");
    awaitBytes(device.getPortHandle(), 600);
    awaitBytes(other.getPortHandle(), 6);
    std::string got;
    for (Device* from : {&device, &device, &other})
        got.append(buffer, static_cast<std::size_t>(std::max(0, serial.readPort(from, buffer, sizeof buffer))));
    EXPECT_TRUE(got == bytes + "second");
    EXPECT_EQ(lines.take(), "Serial:512 Bytes Read\nSerial:88 Bytes Read\nSerial:6 Bytes Read\n");
    EXPECT_EQ(pty.readMaster(1, 50ms), "") << "nothing echoed";
}

TEST_F(SerialControllerTest, WithoutARecordOrAnOpenPortNothingIsTouched)
{
    char buffer[4] = {'k', 'e', 'e', 'p'};
    EXPECT_FALSE(serial.openPort(nullptr));
    EXPECT_FALSE(serial.closePort(nullptr));
    EXPECT_EQ(serial.readPort(nullptr, buffer, sizeof buffer), -1);
    EXPECT_FALSE(serial.sendOnPort(nullptr, "x", 1));
    EXPECT_EQ(serial.readPort(&device, buffer, sizeof buffer), -1);
    EXPECT_FALSE(serial.sendOnPort(&device, "x", 1));
    EXPECT_EQ(lines.take(), "---------->Device port handle not initialized\nInvalid port handle\n"
                            "---------->Device port handle not initialized\nInvalid port handle\n");
    EXPECT_EQ(std::string(buffer, 4), "keep");

    // Neither a missing device nor a file that isn't a terminal counts as an open port.
    dev.writeFile("cu.file", "");
    const std::size_t descriptors = openDescriptors();
    for (const auto& [name, error] : {std::pair{"cu.gone", ENOENT}, std::pair{"cu.file", ENOTTY}}) {
        Device missing(name, dev.path());
        EXPECT_FALSE(serial.openPort(&missing)) << name;
        EXPECT_EQ(serial.lastError(), error) << name;
        EXPECT_EQ(missing.getPortHandle(), -1) << name;
    }
    EXPECT_EQ(openDescriptors(), descriptors);
}

TEST_F(SerialControllerTest, ASendLargerThanThePortTakesArrivesWholeAndInOrderAndAHangUpDropsTheRest)
{
    ASSERT_TRUE(serial.openPort(&device));
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i % 251);
    const std::string tail = "sent later, arrives last";
    lines.take();
    EXPECT_TRUE(serial.sendOnPort(&device, "", 0));
    EXPECT_TRUE(serial.sendOnPort(&device, bytes.data(), static_cast<int>(bytes.size())));
    EXPECT_GT(serial.pendingBytes(&device), 0u) << "a pty can't take 300000 bytes at once";
    EXPECT_TRUE(serial.sendOnPort(&device, tail.data(), static_cast<int>(tail.size())));
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (received.size() < bytes.size() + tail.size() && std::chrono::steady_clock::now() < deadline) {
        received += pty.readMaster(bytes.size(), 5ms);
        ASSERT_TRUE(serial.drainOutput(&device));
    }
    const std::string sent = lines.take();
    EXPECT_TRUE(sent.starts_with("Serial: Wrote 0 bytes\nSerial: Wrote ")) << sent.substr(0, 80);
    EXPECT_EQ(serial.pendingBytes(&device), 0u);
    EXPECT_TRUE(received == bytes + tail) << "received " << received.size() << " bytes";

    EXPECT_TRUE(serial.sendOnPort(&device, bytes.data(), static_cast<int>(bytes.size())));
    pty.hangUp();
    EXPECT_TRUE(serial.isHungUp(&device));
    char buffer[16];
    EXPECT_EQ(serial.readPort(&device, buffer, sizeof buffer), -1);
    EXPECT_EQ(serial.lastError(), EIO);
    EXPECT_FALSE(serial.drainOutput(&device));
    EXPECT_FALSE(serial.sendOnPort(&device, "x", 1));
    serial.closePort(&device);
    const std::string failed = lines.take();
    EXPECT_NE(failed.find("Serial:ERROR reading data from port\nSerial: wrote no (-1) bytes\n"), std::string::npos)
        << failed;
}
