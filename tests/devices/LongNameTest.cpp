#include "devices/DeviceList.h"

#include "tests/support/LogCapture.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

// A serial port whose name is too long to list is left out with a word, once, not in silence.
TEST(DeviceListLongNames, ASerialPortNameTooLongToListIsToldOnceOnStderr)
{
    const LogCapture log;
    StderrCapture errors;
    TempDir dev, sys;
    const std::string name = "ttyUSB" + std::string(130, 'x');
    dev.writeFile(name, "");
    dev.writeFile("console" + std::string(130, 'x'), ""); // no serial port: nothing to tell
    DeviceList list({dev.path(), sys.path()});
    list.rescan();
    list.rescan();
    EXPECT_EQ(list.getNumDevices(), 0);
    EXPECT_EQ(errors.take(),
              "serialterm: left out " + name + ": a device name of 136 bytes is longer than the 127 listed\n");
}
