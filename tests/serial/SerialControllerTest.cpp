#include "serial/SerialController.h"

#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "serial/ExactSpeed.h"
#include "serial/PortHolder.h"
#include "serial/SerialPort.h"
#include "tests/support/Await.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/PopUpButton.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

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
using PortRepeatTest = SerialControllerTest; // a repeat on a real port
using PortHolderTest = SerialControllerTest;

// How long each run of the same byte is, in order: "aabccc" is a2 b1 c3.
std::vector<std::pair<char, std::size_t>> runs(const std::string& bytes)
{
    std::vector<std::pair<char, std::size_t>> found;
    for (const char c : bytes) {
        if (found.empty() || found.back().first != c)
            found.emplace_back(c, 0);
        ++found.back().second;
    }
    return found;
}

} // namespace

// The flags and log lines of each packet and flow type are the port options test's.
TEST_F(SerialControllerTest, OpensAtEveryPositiveRateAndOneNotPositiveAt9600)
{
    for (const int baud : {300, 600, 1200, 1800, 2400, 4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200, 0, -1, 7200, 230400}) {
        const unsigned speed = baud > 0 ? static_cast<unsigned>(baud) : 9600u;
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
    int waiting = 0;
    await([&] { return waiting >= 600; }, [&] { ::ioctl(device.getPortHandle(), FIONREAD, &waiting); });
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

// An exact rate leaves its input speed beside the output one; a standard rate chosen after it
// must set both, or the port reads at the old rate.
TEST_F(SerialControllerTest, AStandardRateAfterACustomOneSetsTheInputSpeedToo)
{
    // Another program holding the device keeps the rate across our closes, as a real one does.
    const pid_t holder = ::fork();
    ASSERT_NE(holder, -1);
    if (holder == 0) {
        ::pause();
        ::_exit(0);
    }
    device.setBaud(250000);
    ASSERT_TRUE(serial.openPort(&device));
    device.setBaud(9600);
    ASSERT_TRUE(serial.openPort(&device));
    EXPECT_EQ(speeds(pty.slave()), std::pair(9600u, 9600u));
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
}

// A slow stream is read on the window's ticks, up to 0.1 s after it came; its bytes must still
// carry the times they arrived, so lines split at pauses and stamps tell when lines came.
TEST_F(SerialControllerTest, BytesReadLateCarryTheTimesTheyArrivedApart)
{
    ASSERT_TRUE(serial.openPort(&device));
    device.getPort()->watchReadable([] {});
    device.getPort()->pauseReadable(); // read later, as the ticks read a slow stream
    std::this_thread::sleep_for(5ms);

    const auto first = std::chrono::steady_clock::now();
    pty.writeMaster("a");
    std::this_thread::sleep_for(40ms);
    const auto second = std::chrono::steady_clock::now();
    pty.writeMaster("b");
    std::this_thread::sleep_for(60ms);

    char buffer[16];
    std::vector<Port::Arrival> arrivals;
    ASSERT_EQ(serial.readPort(&device, buffer, sizeof buffer, arrivals), 2);
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].length, 1u);
    // Late only by the scheduler; a loaded machine may take a few ms to run the clock's thread.
    EXPECT_LT(arrivals[0].at.steady - first, 20ms);
    EXPECT_LT(arrivals[1].at.steady - second, 20ms);
    EXPECT_GT(arrivals[1].at.steady - arrivals[0].at.steady, 25ms);
}

TEST_F(PortRepeatTest, SendsWholeMessagesAtTheIntervalAndNeverAhead)
{
    ASSERT_TRUE(serial.openPort(&device));
    const auto started = std::chrono::steady_clock::now();
    const std::shared_ptr<PortRepeat> repeat = device.getPort()->repeat("AT\r", 10ms);
    ASSERT_TRUE(repeat);
    std::string heard = pty.readMaster(1 << 20, 300ms);
    repeat->stop();
    const auto elapsed = std::chrono::steady_clock::now() - started;
    heard += pty.readMaster(1 << 20, 20ms);

    const PortRepeat::Progress done = repeat->progress();
    EXPECT_EQ(done.error, 0);
    EXPECT_EQ(done.bytes, 3 * done.sent);
    std::string expected;
    for (std::uint64_t i = 0; i < done.sent; ++i)
        expected += "AT\r";
    EXPECT_EQ(heard, expected);
    // The ticks count from the start: never more sends than the time allows, however late
    // the thread woke for some of them. A loaded machine may make it miss a few.
    EXPECT_LE(done.sent, static_cast<std::uint64_t>(elapsed / 10ms) + 1);
    EXPECT_GE(done.sent, 10u);
}

TEST_F(PortRepeatTest, NeitherItsMessagesNorOtherOutputAreEverSplitByTheOther)
{
    ASSERT_TRUE(serial.openPort(&device));
    Port& port = *device.getPort();
    // Far more than the pty holds, so the queue stays full and the device takes parts.
    const std::string block(200'000, 'x');
    port.queue(block);
    port.writeQueued();
    // Longer than the pty takes at once, so the device takes messages in parts.
    const std::string message(20'000, 'm');
    const std::shared_ptr<PortRepeat> repeat = port.repeat(message, 10ms);
    ASSERT_TRUE(repeat);

    // The far end reads slowly while the window's thread writes its own short messages.
    std::string heard;
    char chunk[2048];
    for (int round = 0; round < 300; ++round) {
        std::this_thread::sleep_for(1ms);
        if (const ssize_t got = ::read(pty.master(), chunk, sizeof chunk); got > 0)
            heard.append(chunk, static_cast<std::size_t>(got));
        if (round % 10 == 0)
            port.queue("YYYYYYY");
        port.writeQueued();
    }
    repeat->stop();
    for (int i = 0; i < 1000 && port.pendingBytes() > 0; ++i) {
        port.writeQueued();
        heard += pty.readMaster(1 << 20, 2ms);
    }
    heard += pty.readMaster(1 << 20, 50ms);

    const PortRepeat::Progress done = repeat->progress();
    ASSERT_GE(done.sent, 2u);
    std::size_t ms = 0;
    std::size_t xs = 0;
    for (const auto& [byte, length] : runs(heard)) {
        if (byte == 'x') {
            EXPECT_EQ(length, block.size()) << "the block went out in one piece";
            ++xs;
        } else if (byte == 'm') {
            EXPECT_EQ(length % message.size(), 0u) << "a message was split";
            ms += length;
        } else {
            EXPECT_EQ(byte, 'Y');
            EXPECT_EQ(length % 7, 0u) << "a message of the window's was split";
        }
    }
    EXPECT_EQ(xs, 1u);
    EXPECT_EQ(ms, done.sent * message.size()) << "every message counted went out whole";
    EXPECT_GT(done.skipped, 0u) << "ticks that found output waiting sent nothing";
}

TEST_F(PortRepeatTest, EndsWhenTheFarEndHangsUp)
{
    ASSERT_TRUE(serial.openPort(&device));
    const std::shared_ptr<PortRepeat> repeat = device.getPort()->repeat("AT\r", 10ms);
    ASSERT_TRUE(repeat);
    std::this_thread::sleep_for(30ms);
    pty.hangUp();
    await([&] { return repeat->progress().error != 0; }, [] {}, 1s);
    EXPECT_EQ(repeat->progress().error, EIO);
    const std::uint64_t sent = repeat->progress().sent;
    std::this_thread::sleep_for(40ms);
    EXPECT_EQ(repeat->progress().sent, sent);
}

TEST_F(PortRepeatTest, ClosingThePortEndsItBeforeTheDescriptorGoes)
{
    ASSERT_TRUE(serial.openPort(&device));
    const std::shared_ptr<PortRepeat> repeat = device.getPort()->repeat("AT\r", 10ms);
    ASSERT_TRUE(repeat);
    pty.readMaster(9, 200ms);
    serial.closePort(&device);
    const std::uint64_t sent = repeat->progress().sent;
    pty.readMaster(1 << 20, 20ms);
    EXPECT_EQ(pty.readMaster(1, 60ms), "") << "nothing was written after the close";
    EXPECT_EQ(repeat->progress().sent, sent);
    EXPECT_EQ(repeat->progress().error, 0);
    EXPECT_TRUE(repeat->progress().ended);
}

#ifdef __linux__
// A holder that did not lock the device is found by its descriptor; this process, which has it
// open too, is named only when nobody else has. Such a holder keeps the options we leave.
TEST_F(PortHolderTest, NamesAnotherProcessThatHasTheDeviceOpenBeforeThisOneAndClosingLeavesItsOptions)
{
    EXPECT_EQ(PortHolder::find(pty.slavePath())->pid, ::getpid());
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
        ::dup2(fd, STDIN_FILENO);
        ::execlp("sleep", "sleep", "10", static_cast<char*>(nullptr));
        ::_exit(1);
    }
    std::optional<PortHolder> holder;
    await([&] { return holder && holder->command == "sleep"; }, // until the child has become sleep
          [&] { holder = PortHolder::find(pty.slavePath()); });
    // Our options are the other program's too now: closing must not change them under it.
    int error = 0;
    std::unique_ptr<SerialPort> port = SerialPort::open(pty.slavePath(), "cu.pty", 115200, 0, 0, error);
    ASSERT_TRUE(port);
    port->close();
    const termios left = pty.slaveOptions();
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->command, "sleep");
    EXPECT_EQ(holder->pid, child);
    EXPECT_EQ(cfgetospeed(&left), speed_t{B115200});
    EXPECT_FALSE(PortHolder::find("/nonexistent/cu.x"));
}
#endif
