// The device, baud, format and flow pop-ups on a connection of their own: what they offer,
// what they show, and what each choice, or a dialog's, does to the port.
#include "app/terminal/SettingsPopUps.h"

#include "app/terminal/TerminalControls.h"
#include "devices/CharacterFormat.h"
#include "serial/ExactSpeed.h"
#include "serial/SerialController.h"
#include "tests/support/DeviceFolder.h"
#include "tests/support/LogCapture.h"
#include "tests/support/NotedConnection.h"

#include <gtest/gtest.h>

namespace {

using Parity = CharacterFormat::Parity;

class SettingsPopUpsTest : public testing::Test {
protected:
    SettingsPopUpsTest()
    {
        folder.attach("cu.board");
        noted.connection.rescan();
        c.devicePU.addItemWithTitle("cu.board");
        popUps.setTheBaudRateList();
        popUps.setPacketList();
        popUps.setFlowList();
    }
    void choose(PopUpButton& popUp, const std::string& title, void (SettingsPopUps::*action)(PopUpButton&))
    {
        popUp.selectItemWithTitle(title);
        (popUps.*action)(popUp);
    }
    // What the pop-ups show once the window tells them the state changed.
    std::string shown()
    {
        popUps.show();
        return c.devicePU.titleOfSelectedItem() + " " + c.baudRatePU.titleOfSelectedItem() + " " +
               c.packetPU.titleOfSelectedItem() + " " + c.flowPU.titleOfSelectedItem();
    }
    // The port's speed as the kernel's own record of it (TCGETS2 on Linux) tells.
    std::pair<int, int> speed()
    {
        unsigned input = 0, output = 0;
        EXPECT_TRUE(ExactSpeed::read(folder.ptys["cu.board"].slave(), input, output));
        return {static_cast<int>(input), static_cast<int>(output)};
    }
    Device& device() { return *noted.device(); }

    LogCapture log; // the lines are the log lines test's
    DeviceFolder folder;
    NotedConnection noted{folder.list};
    TerminalControls c;
    std::string status;
    SettingsPopUps popUps{c, noted.connection, [this](const std::string& text) { status = text; }};
};

TEST_F(SettingsPopUpsTest, AChoiceIsStoredAndThePortReopensWithItAndReads)
{
    choose(c.flowPU, "Hardware", &SettingsPopUps::setFlowControl);
    choose(c.packetPU, "odd-7-1", &SettingsPopUps::setPacketType);
    choose(c.baudRatePU, "14400", &SettingsPopUps::setBaudRate);
    EXPECT_EQ(device().getSettings(), (PortSettings{14400, 2, 2, true, true}));
    EXPECT_TRUE(noted.connection.isReading());
    EXPECT_TRUE(folder.ptys["cu.board"].slaveOptions().c_cflag & CRTSCTS);
    EXPECT_EQ(speed(), std::pair(14400, 14400));
}

TEST_F(SettingsPopUpsTest, ADialogsRateIsSetExactlyAndShownAsAnExtraEntryUntilAStandardOne)
{
    for (const int rate : {50, 250000, 921600, 3000000, 4000000, 74880}) {
        popUps.chooseBaudRate(rate);
        EXPECT_EQ(speed(), std::pair(rate, rate));
        EXPECT_EQ(noted.connection.serial().runningRate(), rate);
    }
    EXPECT_EQ(shown(), "cu.board 74880 none-8-1 None");
    EXPECT_EQ(c.baudRatePU.indexOfSelectedItem(), 13);
    choose(c.baudRatePU, "74880", &SettingsPopUps::setBaudRate);
    EXPECT_EQ(speed(), std::pair(74880, 74880)) << "the extra entry chosen again keeps its rate";
    choose(c.baudRatePU, "115200", &SettingsPopUps::setBaudRate);
    shown();
    EXPECT_EQ(c.baudRatePU.numberOfItems(), 13);
}

TEST_F(SettingsPopUpsTest, ARateThatIsNotPositiveOpensAndShowsAs9600AndOneOutOfRangeIsRefused)
{
    device().setBaud(-1);
    noted.connection.enableReading();
    EXPECT_EQ(speed(), std::pair(9600, 9600));
    EXPECT_EQ(shown(), "cu.board 9600 none-8-1 None");
    for (const int rate : {49, 4'000'001}) {
        popUps.chooseBaudRate(rate);
        EXPECT_EQ(status, "A rate must be a whole number from 50 to 4000000 baud.");
    }
    EXPECT_EQ(device().getBaud(), -1);
}

TEST_F(SettingsPopUpsTest, ADialogsFormatShowsAsAnExtraEntryUnlessItIsANamedOne)
{
    popUps.chooseCharacterFormat({8, Parity::None, 2});
    EXPECT_EQ(device().getPacketFlag(), (CharacterFormat{8, Parity::None, 2}.toFlag()));
    EXPECT_EQ(shown(), "cu.board 9600 none-8-2 None");
    EXPECT_EQ(c.packetPU.numberOfItems(), 4);
    popUps.chooseCharacterFormat({7, Parity::Even, 1});
    EXPECT_EQ(device().getPacketFlag(), 1);
    EXPECT_EQ(shown(), "cu.board 9600 even-7-1 None");
    EXPECT_EQ(c.packetPU.numberOfItems(), 3);
}

TEST_F(SettingsPopUpsTest, ADeviceTheListNoLongerHasIsNotTakenAndThePopUpShowsTheWindowsOwn)
{
    c.devicePU.addItemWithTitle("cu.gone");
    choose(c.devicePU, "cu.gone", &SettingsPopUps::setDevice);
    EXPECT_EQ(c.devicePU.titleOfSelectedItem(), "cu.board");
}

} // namespace
