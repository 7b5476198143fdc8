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

namespace {

class PortConnectionTest : public testing::Test {
protected:
    // A window on the folder's devices, reading `name`; the folder holds `names`.
    std::unique_ptr<NotedConnection> window(std::initializer_list<const char*> names, const std::string& reading = "")
    {
        for (const char* name : names)
            folder.attach(name);
        auto noted = std::make_unique<NotedConnection>(folder.list);
        if (!reading.empty())
            noted->use(reading);
        return noted;
    }

    LogCapture log; // the lines are the log lines test's
    DeviceFolder folder;
};

TEST_F(PortConnectionTest, ReadingOnOpensThePortOnceAndOffClosesIt)
{
    auto noted = window({"cu.usb"});
    EXPECT_EQ(noted->descriptor(), -1) << "a new window takes the first device, closed";
    noted->connection.enableReading();
    const int descriptor = noted->descriptor();
    EXPECT_TRUE(noted->connection.isReading() && noted->reading && descriptor != -1);
    noted->connection.enableReading();
    EXPECT_EQ(noted->descriptor(), descriptor);
    noted->connection.disableReading();
    EXPECT_FALSE(noted->connection.isReading() || noted->reading);
    EXPECT_EQ(noted->descriptor(), -1);
}

TEST_F(PortConnectionTest, APortThatCannotBeOpenedLeavesReadingOffAndSaysWhy)
{
    folder.dev.link("cu.gone", folder.dev.path() + "/nothing-here");
    auto noted = window({});
    noted->connection.enableReading();
    EXPECT_FALSE(noted->connection.isReading() || noted->reading);
    EXPECT_NE(noted->status.find("No such file or directory"), std::string::npos) << noted->status;
}

TEST_F(PortConnectionTest, ChoosingAnotherDeviceMovesThePortWithItsOwnSettingsAndTheSameOneChangesNothing)
{
    auto noted = window({"cu.a", "cu.b"}, "cu.a");
    Device* a = noted->device();
    noted->connection.chooseDevice("cu.b");
    EXPECT_EQ(a->getPortHandle(), -1);
    EXPECT_STREQ(noted->device()->getAddr(), "cu.b");
    const int descriptor = noted->descriptor();
    EXPECT_TRUE(noted->connection.isReading() && descriptor != -1);
    noted->connection.chooseDevice("cu.b");
    EXPECT_EQ(noted->descriptor(), descriptor);
    EXPECT_EQ(noted->switched, 1);
    noted->connection.applySetting([](PortSettings& settings) { settings.baud = 115200; });
    noted->connection.chooseDevice("cu.a");
    EXPECT_EQ(noted->connection.settings()->baud, 9600) << "each device keeps its own settings";
}

TEST_F(PortConnectionTest, WindowsOnOneDeviceShareItsPortUntilTheLastLetsGo)
{
    auto first = window({"cu.b"}, "cu.b");
    auto second = window({}, "cu.b");
    EXPECT_EQ(second->descriptor(), first->descriptor()) << "joined, not reopened";
    Device* shared = first->device();
    first->connection.disableReading();
    EXPECT_NE(shared->getPortHandle(), -1);
    first->connection.enableReading();
    first->connection.close();
    EXPECT_NE(shared->getPortHandle(), -1);
    const int listed = first->listed;
    folder.list.rescan();
    EXPECT_EQ(first->listed, listed) << "a closed window hears no scan";
    second->connection.close();
    EXPECT_EQ(shared->getPortHandle(), -1);
}

TEST_F(PortConnectionTest, AnotherProgramIsRefusedOurPortAndToldWhoHoldsItUntilWeLetGo)
{
    auto noted = window({"cu.x"}, "cu.x");
    // Another program: a record and driver of its own on the same path. A lock is per
    // opening, so it is refused as another process would be.
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

TEST_F(PortConnectionTest, AnotherWindowsRescanMovesTheWindowNeitherOffItsDeviceNorOntoOneItTookAway)
{
    auto noted = window({"cu.a", "cu.b"});
    const std::string front = folder.list.scannedNames().at(0), back = folder.list.scannedNames().at(1);
    noted->use(back);
    folder.detach(front);
    folder.list.rescan(); // another window's
    EXPECT_EQ(folder.list.getDeviceAtIndex(0), noted->device());
    folder.ptys[back].writeMaster("still here");
    EXPECT_TRUE(await([&] { return noted->device()->getRecvCount() == 10; }, [&] { noted->tick(); }));
    noted->connection.rescan();
    EXPECT_EQ(noted->device()->getAddr(), back) << "its own rescan keeps its choice by name";
    EXPECT_FALSE(noted->connection.chooseDevice(front));
    EXPECT_EQ(noted->status, front + " is no longer connected. Press refresh to update the list.");
    EXPECT_EQ(noted->device()->getAddr(), back);
}

TEST_F(PortConnectionTest, SendingMoreThanThePortTakesArrivesWholeAndWhatIsSentMeanwhileAfterIt)
{
    auto noted = window({"cu.usb"}, "cu.usb");
    std::string expected;
    for (int i = 0; i < 100000; ++i)
        expected.push_back(static_cast<char>('a' + i % 26));
    EXPECT_EQ(noted->connection.send(expected), "");
    ASSERT_GT(noted->device()->getPort()->pendingBytes(), 0u);
    EXPECT_EQ(noted->connection.send("later"), "");
    expected += "later";
    std::string arrived;
    std::thread farEnd([&] { arrived = folder.ptys["cu.usb"].readMaster(expected.size(), std::chrono::seconds(10)); });
    await([&] { return noted->device()->getPort()->pendingBytes() == 0; }, [&] { noted->tick(); });
    farEnd.join();
    EXPECT_TRUE(arrived == expected) << "arrived " << arrived.size() << " bytes";
}

} // namespace
