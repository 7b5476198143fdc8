#include "devices/DeviceList.h"

#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"
#include "toolkit/PopUpButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class DeviceListTest : public testing::Test {
protected:
    void SetUp() override
    {
        list = DeviceList({dev.path(), sys.path()});
    }

    // Runs a scan into a fresh menu; answers what it logged.
    std::string scan()
    {
        menu.removeAllItems();
        LogCapture lines;
        list.refreshDeviceList(menu);
        return lines.take();
    }

    std::vector<std::string> recordNames()
    {
        std::vector<std::string> names;
        for (int i = 0; i < list.getNumDevices(); ++i)
            names.emplace_back(list.getDeviceAtIndex(i)->getAddr());
        return names;
    }

    static std::vector<std::string> sorted(std::vector<std::string> names)
    {
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dev;
    TempDir sys;
    DeviceList list;
    PopUpButton menu;
};

} // namespace

TEST(DeviceListSingleton, FirstUseCreatesTheOneListAndSaysSoOnce)
{
    // A fresh process, so the list surely doesn't exist yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            LogCapture lines;
            DeviceList* first = &DeviceList::sharedDeviceList();
            DeviceList* again = &DeviceList::sharedDeviceList();
            const bool printedOnce = lines.take() == "DeviceList INIT\n";
            std::_Exit(first == again && printedOnce ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(DeviceListTest, ListsSerialPortNamesOnly)
{
    const std::string longest = "cu." + std::string(124, 'n'); // 127 bytes
    const std::vector<std::string> listed = {"cu.usbserial", "cu.", longest, "ttyUSB0", "ttyACM1",
        "ttyS4", "ttyAMA0", "ttyXRUSB2", "ttyAP0", "ttyGS0", "rfcomm0"};
    for (const auto& name : listed)
        dev.writeFile(name, "");
    for (const auto& name : {"CU.usb", "Cu.x", "cU.x", "cu", "cux", "ttyusb0", "tty0", "console",
             "xcu.a"})
        dev.writeFile(name, "");
    dev.writeFile(longest + "n", "");

    EXPECT_EQ(scan(), "");
    EXPECT_EQ(sorted(menu.itemTitles()), sorted(listed));
    EXPECT_EQ(recordNames(), menu.itemTitles()) << "first scan: list and menu in folder order";
    EXPECT_EQ(list.getDeviceAtIndex(0)->getDirectory(), dev.path());
}

TEST_F(DeviceListTest, SkipsTtySPortsTheKernelMarksAsAbsent)
{
    for (const auto* name : {"ttyS0", "ttyS1", "ttyS2", "ttyUSB0"})
        dev.writeFile(name, "");
    sys.writeFile("ttyS0/type", "4\n");
    sys.writeFile("ttyS1/type", "0\n");
    sys.writeFile("ttyUSB0/type", "0\n"); // only ttyS ports have phantoms
    scan();
    EXPECT_EQ(sorted(menu.itemTitles()), (std::vector<std::string>{"ttyS0", "ttyS2", "ttyUSB0"}));
}

TEST_F(DeviceListTest, KeepsKnownRecordsRemovesVanishedOnesAndAppendsNewOnes)
{
    for (const auto* name : {"cu.a", "cu.b", "cu.c", "cu.d"})
        dev.writeFile(name, "");
    scan();
    const std::vector<std::string> firstOrder = recordNames();
    Device* kept = list.getDeviceAtIndex(0);
    kept->setBaud(115200);
    kept->appendRecvBuf("hi", 2);

    // Vanish the two records standing at list positions 1 and 2, add a new device.
    dev.remove(firstOrder[1]);
    dev.remove(firstOrder[2]);
    dev.writeFile("cu.0new", "");
    EXPECT_EQ(scan(), "device " + firstOrder[1] + " not found again, REMOVING..\n" + "device " +
                          firstOrder[2] + " not found again, REMOVING..\n");
    EXPECT_EQ(recordNames(), (std::vector<std::string>{firstOrder[0], firstOrder[3], "cu.0new"}));
    EXPECT_EQ(list.getDeviceAtIndex(0), kept);
    EXPECT_EQ(kept->getBaud(), 115200);
    EXPECT_EQ(kept->getRecvBuf(), u"hi");

    // Coming back means a new record with defaults, at the end.
    dev.writeFile(firstOrder[1], "");
    scan();
    ASSERT_EQ(list.getNumDevices(), 4);
    EXPECT_EQ(list.getDeviceAtIndex(3)->getAddr(), firstOrder[1]);
    EXPECT_EQ(list.getDeviceAtIndex(3)->getBaud(), 9600);
    EXPECT_EQ(list.getDeviceAtIndex(4), nullptr);
    EXPECT_EQ(list.getDeviceAtIndex(-1), nullptr);
}

TEST_F(DeviceListTest, AnUnreadableFolderRemovesEveryRecord)
{
    dev.writeFile("sub/cu.a", "");
    list = DeviceList({dev.path() + "/sub", sys.path()});
    scan();
    std::filesystem::remove_all(dev.path() + "/sub");
    EXPECT_EQ(scan(), "device cu.a not found again, REMOVING..\n");
    EXPECT_EQ(menu.numberOfItems(), 0);
    EXPECT_EQ(list.getDeviceAtIndex(0), nullptr);
}
