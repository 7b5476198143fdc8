#include "tests/app/DocumentFixture.h"

#include <termios.h>

TEST_F(DocumentTest, ChoosingADeviceMovesThePortAndBringsBackItsSettings)
{
    Pty& a = attach("cu.a");
    Pty& b = attach("cu.b");
    auto window = openWindow("cu.a");
    Device* deviceA = window->device();
    a.writeMaster("from a");
    tickUntil(*window, 6);

    // A new device: the old port closes, the view empties, the new port opens and reads.
    EXPECT_EQ(logged([&] { window->choose(window->controls.devicePU, "cu.b"); }),
              "Closed previsouly enabled port\nSETTING Packet N81\nSETTING Flow None\nOPEND port\n");
    EXPECT_EQ(deviceA->getPortHandle(), -1);
    Device* deviceB = window->device();
    EXPECT_NE(deviceB->getPortHandle(), -1);
    EXPECT_TRUE(window->received().empty());
    EXPECT_TRUE(window->reading());
    window->choose(window->controls.baudRatePU, "115200");
    window->choose(window->controls.flowPU, "Xon/Xoff");
    EXPECT_EQ(window->document->windowTitle(), "cu.b - 115200 none-8-1 Xon/Xoff");

    // Back to a: its own settings show, and its buffer is shown again at the next tick.
    window->choose(window->controls.devicePU, "cu.a");
    EXPECT_EQ(window->shown(), "cu.a 9600 none-8-1 None");
    window->tick();
    EXPECT_EQ(window->received(), u"from a");
    window->choose(window->controls.devicePU, "cu.b");
    EXPECT_EQ(window->shown(), "cu.b 115200 none-8-1 Xon/Xoff");
    const termios options = b.slaveOptions();
    EXPECT_EQ(cfgetospeed(&options), B115200);

    // The device already chosen: nothing happens but the line.
    EXPECT_EQ(logged([&] { window->choose(window->controls.devicePU, "cu.b"); }),
              "Same device as last enabled: cu.b\n");
    EXPECT_NE(deviceB->getPortHandle(), -1);
}

TEST_F(DocumentTest, EachSettingReopensThePortWithItAndTurnsReadingOnAndAnEmptyChoiceChangesNothing)
{
    Pty& pty = attach("cu.usb");
    auto window = openWindow();
    TerminalControls& c = window->controls;
    Device* device = window->device();
    c.baudRatePU.selectItemAtIndex(-1);
    c.devicePU.selectItemAtIndex(-1);
    EXPECT_EQ(logged([&] {
                  c.baudRatePU.sendAction();
                  c.devicePU.sendAction();
              }),
              "");
    EXPECT_EQ(device->getBaud(), 9600);
    EXPECT_EQ(device->getPortHandle(), -1);

    EXPECT_EQ(logged([&] { window->choose(c.baudRatePU, "14400"); }),
              "Failed to closed previsouly enabled port\nSETTING Packet N81\nSETTING Flow None\nOPEND port\n"
              "INTERFACE: SET_BAUD TO: 14400  clicked\n");
    EXPECT_EQ(device->getBaud(), 14400);
    EXPECT_TRUE(window->reading());
    EXPECT_EQ(logged([&] { window->choose(c.packetPU, "odd-7-1"); }),
              "Closed previsouly enabled port\nSETTING Packet O71\nSETTING Flow None\nOPEND port\n"
              "INTERFACE: SET_PACKET: 2  clicked\n");
    EXPECT_EQ(device->getPacketFlag(), 2);
    EXPECT_EQ(logged([&] { window->choose(c.flowPU, "Hardware"); }),
              "Closed previsouly enabled port\nSETTING Packet O71\nSETTING Flow Hardware\nOPEND port\n"
              "INTERFACE: SET_FLOW: 2  clicked\n");
    EXPECT_EQ(device->getFlowFlag(), 2);
    EXPECT_TRUE(pty.slaveOptions().c_cflag & CRTSCTS);
}

TEST_F(DocumentTest, TheControlsFollowARecordThatGoesAndComesBackAndShowItsNameEscaped)
{
    const std::string name = "cu.a\nb\x1b[31m";
    const std::string escaped = "cu.a\\10b\\27[31m";
    attach(name);
    auto window = openWindow();
    window->choose(window->controls.baudRatePU, "115200");
    window->choose(window->controls.packetPU, "even-7-1");
    window->choose(window->controls.flowPU, "Hardware");
    EXPECT_TRUE(window->reading()) << "the name itself still opens the device";
    EXPECT_EQ(window->shown(), name + " 115200 even-7-1 Hardware");
    EXPECT_EQ(window->document->windowTitle(), escaped + " - 115200 even-7-1 Hardware");

    // The device goes away and another window's scan drops its record: no device, no choice.
    dev.remove(name);
    EXPECT_NE(logged([&] { openWindow(); }).find("device " + escaped + " not found again"), std::string::npos);
    window->tick();
    EXPECT_EQ(window->document->windowTitle(), "No device");
    EXPECT_EQ(window->controls.devicePU.indexOfSelectedItem(), -1);
    EXPECT_EQ(window->document->statusText(), escaped + " is no longer connected. Reading is off.");

    // It comes back as a new record with the defaults, which is what the pop-ups must show.
    attach(name);
    openWindow();
    window->tick();
    EXPECT_EQ(window->document->windowTitle(), escaped + " - 9600 none-8-1 None");
    EXPECT_EQ(window->shown(), name + " 9600 none-8-1 None");
}
