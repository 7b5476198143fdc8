#include "serial/SerialController.h"

#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "serial/ExactSpeed.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/PopUpButton.h"

#include <gtest/gtest.h>

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

    LogCapture lines; // the lines are the log lines test's
    Pty pty;
    TempDir dev;
    Device device{"cu.pty", dev.path()};
    SerialController serial;
};

} // namespace

// The flags and log lines of each packet and flow type are the port options test's.
TEST_F(SerialControllerTest, OpensAtEveryPositiveRateAndOneNotPositiveAt9600)
{
    const std::pair<int, unsigned> rates[] = {{300, 300}, {600, 600}, {1200, 1200}, {1800, 1800},
        {2400, 2400}, {4800, 4800}, {9600, 9600}, {14400, 14400}, {19200, 19200}, {28800, 28800},
        {38400, 38400}, {57600, 57600}, {115200, 115200}, {0, 9600}, {-1, 9600}, {7200, 7200}, {230400, 230400}};
    for (const auto& [baud, speed] : rates) {
        device.setBaud(baud);
        EXPECT_TRUE(serial.openPort(&device));
        EXPECT_EQ(speeds(pty.slave()), std::pair(speed, speed)) << baud;
        EXPECT_TRUE(serial.closePort(&device));
    }
}

TEST_F(SerialControllerTest, ClosingOrAScanThatDropsTheRecordRestoresTheDeviceSettingsAndItsDescriptor)
{
#ifdef __linux__
    ASSERT_TRUE(ExactSpeed::set(pty.slave(), 250000)); // a rate termios has no constant for
    const unsigned rateBefore = 250000;
#else
    const unsigned rateBefore = 38400;
#endif
    const termios before = pty.slaveOptions();
    const std::size_t descriptors = openDescriptors();
    device.setBaud(28800);
    device.setPacketFlag(2);
    device.setFlowFlag(1);
    ASSERT_TRUE(serial.openPort(&device));
    ASSERT_TRUE(serial.openPort(&device)) << "reopening must not keep our settings as the device's own";
    EXPECT_EQ(openDescriptors(), descriptors + 1);
    EXPECT_TRUE(serial.closePort(&device));
    EXPECT_FALSE(serial.closePort(&device));
    expectSameSettings(before, pty.slaveOptions());
    EXPECT_EQ(speeds(pty.slave()).second, rateBefore);
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(device.getPortHandle(), -1);

    DeviceList list({dev.path(), dev.path() + "/no-sys", dev.path() + "/no-by-id"});
    PopUpButton menu;
    list.refreshDeviceList(menu);
    ASSERT_TRUE(serial.openPort(list.getDeviceAtIndex(0)));
    dev.remove("cu.pty");
    list.refreshDeviceList(menu);
    EXPECT_EQ(openDescriptors(), descriptors);
    expectSameSettings(before, pty.slaveOptions());
}

// Every byte value arriving unchanged, on two devices at once, is the document test's.
TEST_F(SerialControllerTest, AReadTakesNoMoreThanTheBufferAndNothingIsEchoed)
{
    ASSERT_TRUE(serial.openPort(&device));
    char buffer[512];
    EXPECT_EQ(serial.readPort(&device, buffer, sizeof buffer), 0);
    pty.writeMaster(std::string(600, 'r'));
    awaitBytes(device.getPortHandle(), 600);
    EXPECT_EQ(serial.readPort(&device, buffer, sizeof buffer), 512);
    EXPECT_EQ(serial.readPort(&device, buffer, sizeof buffer), 88);
    EXPECT_EQ(pty.readMaster(1, 50ms), "") << "nothing echoed";
}

TEST_F(SerialControllerTest, WithoutAnOpenPortNothingIsTouched)
{
    // The document never hands over a missing record; a closed port it may.
    char buffer[4] = {'k', 'e', 'e', 'p'};
    EXPECT_EQ(serial.readPort(&device, buffer, sizeof buffer), -1);
    EXPECT_FALSE(serial.sendOnPort(&device, "x", 1));
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

// A send larger than the port takes, arriving whole and behind what was queued before it, is
// the connection test's; here a hang-up with output still queued.
TEST_F(SerialControllerTest, AHangUpFailsReadsAndWritesAndDropsWhatWasQueued)
{
    ASSERT_TRUE(serial.openPort(&device));
    const std::string bytes(300000, 'q');
    EXPECT_TRUE(serial.sendOnPort(&device, bytes.data(), static_cast<int>(bytes.size())));
    EXPECT_GT(serial.pendingBytes(&device), 0u) << "a pty can't take 300000 bytes at once";
    pty.hangUp();
    EXPECT_TRUE(serial.isHungUp(&device));
    char buffer[16];
    EXPECT_EQ(serial.readPort(&device, buffer, sizeof buffer), -1);
    EXPECT_EQ(serial.lastError(), EIO);
    EXPECT_FALSE(serial.drainOutput(&device));
    EXPECT_EQ(serial.pendingBytes(&device), 0u);
    EXPECT_FALSE(serial.sendOnPort(&device, "x", 1));
}
