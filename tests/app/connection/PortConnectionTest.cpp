// A window's hold on its device: choosing it, opening and reading its port, sharing it with
// other windows, and sending; pseudo-terminals stand in for the devices.
#include "app/connection/PortConnection.h"

#include "app/connection/describeOpenFailure.h"
#include "serial/SerialController.h"
#include "tests/support/Await.h"
#include "tests/support/DeviceFolder.h"
#include "tests/support/LogCapture.h"
#include "tests/support/NotedConnection.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

class PortConnectionTest : public testing::Test {
protected:
    std::unique_ptr<NotedConnection> window(const std::string& reading = "")
    {
        auto noted = std::make_unique<NotedConnection>(folder.list);
        if (!reading.empty())
            noted->use(reading);
        return noted;
    }
    // Ticks until the window's device took `count` more bytes.
    static bool receive(NotedConnection& noted, std::uint64_t count)
    {
        const std::uint64_t target = noted.device()->getRecvCount() + count;
        return await([&] { return noted.device()->getRecvCount() >= target; }, [&] { noted.tick(); });
    }

    LogCapture log; // the lines are the log lines test's
    DeviceFolder folder;
};

// What a stream consumer hears, as one line.
struct Heard : StreamConsumer {
    void received(std::string_view bytes, const Moment&) override { all += std::string(bytes); }
    void portEvent(const PortEvent& event) override { all += "[" + event.name + "]"; }
    std::string all;
};

TEST_F(PortConnectionTest, ANewWindowTakesTheFirstListedDeviceWithoutOpeningIt)
{
    folder.attach("cu.usb");
    auto noted = window();
    ASSERT_NE(noted->device(), nullptr);
    EXPECT_STREQ(noted->device()->getAddr(), "cu.usb");
    EXPECT_FALSE(noted->connection.isReading());
    EXPECT_EQ(noted->descriptor(), -1);
}

TEST_F(PortConnectionTest, ReadingOnOpensThePortAndOffClosesIt)
{
    folder.attach("cu.usb");
    auto noted = window();
    noted->connection.enableReading();
    EXPECT_TRUE(noted->connection.isReading() && noted->reading);
    EXPECT_NE(noted->descriptor(), -1);
    noted->connection.disableReading();
    EXPECT_FALSE(noted->connection.isReading() || noted->reading);
    EXPECT_EQ(noted->descriptor(), -1);
}

TEST_F(PortConnectionTest, ReadingOnWhileReadingKeepsThePortAsItIs)
{
    folder.attach("cu.usb");
    auto noted = window("cu.usb");
    const int descriptor = noted->descriptor();
    noted->connection.enableReading();
    EXPECT_EQ(noted->descriptor(), descriptor);
}

TEST_F(PortConnectionTest, APortThatCannotBeOpenedLeavesReadingOffAndSaysWhy)
{
    folder.dev.link("cu.gone", folder.dev.path() + "/nothing-here");
    auto noted = window();
    noted->connection.enableReading();
    EXPECT_FALSE(noted->connection.isReading() || noted->reading);
    EXPECT_NE(noted->status.find("No such file or directory"), std::string::npos) << noted->status;
}

TEST_F(PortConnectionTest, WithoutAnyDeviceNothingOpensAndEachActionSaysSo)
{
    auto noted = window();
    noted->connection.enableReading();
    EXPECT_FALSE(noted->reading);
    EXPECT_EQ(noted->status, "No serial device found. Connect one and press refresh.");
    EXPECT_FALSE(noted->connection.applySetting([](PortSettings& settings) { settings.baud = 115200; }));
    EXPECT_EQ(noted->connection.send("hi"), "No serial device to send to. Connect one and press refresh.");
    EXPECT_EQ(noted->tick(), PortConnection::Tick::NotReading);
}

TEST_F(PortConnectionTest, TheStreamHearsThePortOpenThenEveryByteInOrder)
{
    Pty& pty = folder.attach("cu.usb");
    auto noted = window();
    Heard heard;
    noted->stream.add(heard);
    noted->use("cu.usb");
    pty.writeMaster("abc");
    ASSERT_TRUE(receive(*noted, 3));
    EXPECT_EQ(heard.all, "[cu.usb]abc");
    noted->stream.remove(heard);
}

TEST_F(PortConnectionTest, ChoosingAnotherDeviceClosesTheOldPortAndReadsTheNewOne)
{
    folder.attach("cu.a");
    folder.attach("cu.b");
    auto noted = window("cu.a");
    Device* a = noted->device();
    noted->connection.chooseDevice("cu.b");
    EXPECT_EQ(a->getPortHandle(), -1);
    EXPECT_STREQ(noted->device()->getAddr(), "cu.b");
    EXPECT_TRUE(noted->connection.isReading());
    EXPECT_NE(noted->descriptor(), -1);
    EXPECT_EQ(noted->switched, 1);
}

TEST_F(PortConnectionTest, ChoosingTheDeviceAlreadyChosenChangesNothing)
{
    folder.attach("cu.a");
    auto noted = window("cu.a");
    const int descriptor = noted->descriptor();
    EXPECT_TRUE(noted->connection.chooseDevice("cu.a"));
    EXPECT_EQ(noted->descriptor(), descriptor);
    EXPECT_EQ(noted->switched, 0);
}

TEST_F(PortConnectionTest, EachDeviceKeepsItsOwnSettings)
{
    folder.attach("cu.a");
    folder.attach("cu.b");
    auto noted = window("cu.b");
    noted->connection.applySetting([](PortSettings& settings) { settings.baud = 115200; });
    noted->connection.chooseDevice("cu.a");
    EXPECT_EQ(noted->connection.settings()->baud, 9600);
    noted->connection.chooseDevice("cu.b");
    EXPECT_EQ(noted->connection.settings()->baud, 115200);
}

TEST_F(PortConnectionTest, AChoiceAnotherWindowsRescanTookAwayIsRefusedWithAWord)
{
    folder.attach("cu.a");
    auto noted = window("cu.a");
    EXPECT_FALSE(noted->connection.chooseDevice("cu.gone"));
    EXPECT_EQ(noted->status, "cu.gone is no longer connected. Press refresh to update the list.");
    EXPECT_STREQ(noted->device()->getAddr(), "cu.a");
}

TEST_F(PortConnectionTest, ASettingReopensThePortWithItAndReadsOn)
{
    folder.attach("cu.usb");
    auto noted = window();
    ASSERT_TRUE(noted->connection.applySetting([](PortSettings& settings) { settings.flow = 2; }));
    EXPECT_TRUE(noted->connection.isReading());
    EXPECT_TRUE(folder.ptys["cu.usb"].slaveOptions().c_cflag & CRTSCTS);
}

TEST_F(PortConnectionTest, WindowsOnOneDeviceShareItsPortUntilTheLastLetsGo)
{
    folder.attach("cu.b");
    auto first = window("cu.b");
    auto second = window("cu.b");
    EXPECT_EQ(second->descriptor(), first->descriptor()) << "joined, not reopened";
    Device* shared = first->device();
    first->connection.disableReading();
    EXPECT_NE(shared->getPortHandle(), -1);
    first->connection.enableReading();
    first->connection.close();
    EXPECT_NE(shared->getPortHandle(), -1);
    second->connection.close();
    EXPECT_EQ(shared->getPortHandle(), -1);
}

TEST_F(PortConnectionTest, AClosedWindowHearsNoScanAnyMore)
{
    folder.attach("cu.b");
    auto noted = window("cu.b");
    noted->connection.close();
    const int listed = noted->listed;
    folder.list.rescan();
    EXPECT_EQ(noted->listed, listed);
}

TEST_F(PortConnectionTest, AnotherProgramIsRefusedOurPortAndToldWhoHoldsItUntilWeLetGo)
{
    folder.attach("cu.x");
    auto noted = window("cu.x");
    // Another program: a record and driver of its own on the same path; a lock is per opening,
    // so it is refused as another process would be.
    SerialController other;
    Device device("cu.x", folder.dev.path());
    ASSERT_FALSE(other.openPort(&device));
    std::string command;
    std::getline(std::ifstream("/proc/self/comm"), command);
    EXPECT_EQ(describeBusyPort(device.getAddr(), other.portHolder()),
              "cu.x is in use by " + command + " (pid " + std::to_string(::getpid()) + ")");
    noted->connection.disableReading();
    EXPECT_TRUE(other.openPort(&device));
}

TEST_F(PortConnectionTest, AnotherWindowsRescanDoesNotMoveTheWindowOffItsDevice)
{
    folder.attach("cu.a");
    folder.attach("cu.b");
    folder.list.rescan();
    const std::string front = folder.list.scannedNames().at(0), back = folder.list.scannedNames().at(1);
    auto noted = window(back);
    folder.detach(front);
    folder.list.rescan(); // another window's
    EXPECT_EQ(folder.list.getDeviceAtIndex(0), noted->device());
    folder.ptys[back].writeMaster("still here");
    ASSERT_TRUE(receive(*noted, 10));
    noted->connection.rescan();
    EXPECT_EQ(noted->device()->getAddr(), back) << "its own rescan keeps its choice by name";
}

TEST_F(PortConnectionTest, SendingMoreThanThePortTakesArrivesWholeAndWhatIsSentMeanwhileAfterIt)
{
    Pty& pty = folder.attach("cu.usb");
    auto noted = window("cu.usb");
    std::string expected;
    for (int i = 0; i < 100000; ++i)
        expected.push_back(static_cast<char>('a' + i % 26));
    EXPECT_EQ(noted->connection.send(expected), "");
    ASSERT_GT(noted->device()->getPort()->pendingBytes(), 0u);
    EXPECT_EQ(noted->connection.send("later"), "");
    expected += "later";
    std::string arrived;
    std::thread farEnd([&] { arrived = pty.readMaster(expected.size(), 10s); });
    await([&] { return noted->device()->getPort()->pendingBytes() == 0; }, [&] { noted->tick(); });
    farEnd.join();
    EXPECT_TRUE(arrived == expected) << "arrived " << arrived.size() << " bytes";
}

TEST_F(PortConnectionTest, SendingToAClosedPortSaysHowToOpenIt)
{
    folder.attach("cu.usb");
    auto noted = window();
    EXPECT_EQ(noted->connection.send("ok"), "The port of cu.usb is closed. Switch reading on to open it.");
}

} // namespace
