#include "devices/Device.h"
#include "devices/DeviceList.h"

#include "tests/support/FakePort.h"
#include "tests/support/LogCapture.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempDir.h"
#include "toolkit/PopUpButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

TEST(Device, KeepsItsNameByteForByteAndOwnsItsPortNeverDroppingOneOpen)
{
    int closes = 0;
    std::vector<std::string> heard;
    {
        Device first("cu.100%s\xe9", "/tmp/devs");
        EXPECT_EQ(first.path(), "/tmp/devs/cu.100%s\xe9");
        first.setPort(std::make_unique<FakePort>(7, &closes));
        first.addListener(&heard, [&heard](std::string_view bytes, const Moment&) { heard.emplace_back(bytes); });

        first.deliver("ab\0", 3);
        first.setPort(std::make_unique<FakePort>(8, &closes));
        EXPECT_EQ(closes, 1) << "a replaced port is closed";
    }
    EXPECT_EQ(closes, 2) << "destroying a record closes its port";
    // The bytes, then news of each close and of the record going away.
    EXPECT_EQ(heard, (std::vector<std::string>{std::string("ab\0", 3), "", ""}));
}

TEST(Device, TheReceiveBufferHoldsEachByteAndTrimsShortChunksOneForOneAndLongOnesToTheNewest2047)
{
    const auto chars = [](std::size_t count, char c) { return std::string(count, c); };
    std::string huge(3000, 'p');
    huge.back() = 'q';
    const struct {
        std::vector<std::string> chunks;
        std::string held;
    } cases[] = {
        {{std::string("ab\0cd\x7f\x80\xff", 8), std::string(1, '\0')}, std::string("ab\0cd\x7f\x80\xff\0", 9)},
        // Full is not yet too full; one more character pushes out exactly the oldest one.
        {{std::string(2000, 'a'), std::string(47, 'b'), "c"}, chars(1999, 'a') + chars(47, 'b') + 'c'},
        // A chunk of up to 512 that overflows pushes out as many of the oldest characters as
        // it brings, so the buffer keeps the length it had.
        {{std::string(2000, 'x'), std::string(100, 'y')}, chars(1900, 'x') + chars(100, 'y')},
        {{std::string(1800, 'x'), std::string(512, 'y')}, chars(1288, 'x') + chars(512, 'y')},
        // After a longer one it holds the newest 2047, whatever it held before.
        {{std::string(1200, 'x'), std::string(1000, 'y')}, chars(1047, 'x') + chars(1000, 'y')},
        {{std::string(1500, 'x'), std::string(2000, 'y')}, chars(47, 'x') + chars(2000, 'y')},
        {{std::string(1500, 'x'), std::string(2000, 'y'), huge}, chars(2046, 'p') + 'q'},
    };
    Device device;
    std::uint64_t total = 0;
    for (const auto& [chunks, held] : cases) {
        device.clearRecvBuffer();
        for (const std::string& chunk : chunks) {
            device.appendRecvBuf(chunk.data(), chunk.size());
            total += chunk.size();
        }
        EXPECT_EQ(device.getRecvBuf(), held);
    }
    EXPECT_EQ(device.getRecvCount(), total) << "clearing must not set the count back";
}

class DeviceListTest : public testing::Test {
protected:
    void scan()
    {
        menu.removeAllItems();
        list.refreshDeviceList(menu);
    }

    std::vector<std::string> recordNames()
    {
        std::vector<std::string> names;
        for (int i = 0; i < list.getNumDevices(); ++i)
            names.emplace_back(list.getDeviceAtIndex(i)->getAddr());
        return names;
    }

    LogCapture log; // the lines are the log lines test's
    TempDir dev;
    TempDir sys;
    DeviceList list{{dev.path(), sys.path()}};
    PopUpButton menu;
};

// A serial port whose name is too long to list is left out with a word, once, not in silence.
TEST_F(DeviceListTest, ListsSerialPortNamesOnlyNoTtySPortTheKernelMarksAsAbsentAndNoNameTooLong)
{
    StderrCapture errors;
    const std::string longest = "cu." + std::string(124, 'n'); // 127 bytes
    std::vector<std::string> listed = {"cu.usbserial", "cu.", longest, "ttyUSB0", "ttyACM1", "ttyS4", "ttyAMA0",
        "ttyXRUSB2", "ttyAP0", "ttyGS0", "rfcomm0", "ttyS0", "ttyS2"};
    for (const auto& name : listed)
        dev.writeFile(name, "");
    for (const auto& name : {"CU.usb", "Cu.x", "cU.x", "cu", "cux", "ttyusb0", "tty0", "console", "xcu.a", "ttyS1"})
        dev.writeFile(name, "");
    dev.writeFile(longest + "n", "");
    dev.writeFile("console" + std::string(130, 'x'), ""); // no serial port: nothing to tell
    sys.writeFile("ttyS0/type", "4\n");
    sys.writeFile("ttyS1/type", "0\n");
    sys.writeFile("ttyUSB0/type", "0\n"); // only ttyS ports have phantoms

    scan();
    EXPECT_EQ(recordNames(), menu.itemTitles()) << "first scan: list and menu in folder order";
    scan();
    EXPECT_EQ(errors.take(), "serialterm: left out " + longest + "n: a device name of 128 bytes is longer than the 127 listed\n");
    std::vector<std::string> titles = menu.itemTitles();
    std::sort(titles.begin(), titles.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(titles, listed);
}

TEST_F(DeviceListTest, KeepsKnownRecordsRemovesVanishedOnesAndAppendsNewOnes)
{
    for (const auto* name : {"cu.a", "cu.b", "cu.c", "cu.d"})
        dev.writeFile(name, "");
    scan();
    const std::vector<std::string> firstOrder = recordNames();
    Device* kept = list.getDeviceAtIndex(0);
    kept->appendRecvBuf("hi", 2);

    dev.remove(firstOrder[1]);
    dev.remove(firstOrder[2]);
    dev.writeFile("cu.0new", "");
    scan();
    EXPECT_EQ(recordNames(), (std::vector<std::string>{firstOrder[0], firstOrder[3], "cu.0new"}));
    EXPECT_EQ(list.getDeviceAtIndex(0), kept);
    EXPECT_EQ(kept->getRecvBuf(), "hi");

    // Coming back means a new record (with defaults: the connection's wait test), at the end.
    dev.writeFile(firstOrder[1], "");
    scan();
    EXPECT_EQ(recordNames(), (std::vector<std::string>{firstOrder[0], firstOrder[3], "cu.0new", firstOrder[1]}));
}

} // namespace
