#include "tests/app/DocumentFixture.h"

#include <termios.h>

TEST_F(DocumentTest, ChoosingADeviceMovesThePortAndBringsBackItsSettings)
{
    Pty a;
    Pty b;
    attach("cu.a", a);
    attach("cu.b", b);
    auto window = openWindow();
    quietly([&] { window->use("cu.a"); });
    Device* deviceA = window->device();
    a.writeMaster("from a");
    tickUntil(*window, 6);

    // A new device: the old port closes, the view empties, the new port opens and reads.
    const std::string lines = quietly([&] { window->choose(window->controls.devicePU, "cu.b"); });
    EXPECT_EQ(lines, "Closed previsouly enabled port\nSETTING Packet N81\nSETTING Flow None\nOPEND port\n");
    EXPECT_EQ(deviceA->getPortHandle(), -1);
    Device* deviceB = window->device();
    EXPECT_NE(deviceB->getPortHandle(), -1);
    EXPECT_TRUE(window->received().empty());
    EXPECT_TRUE(window->document->isReading());

    quietly([&] {
        window->choose(window->controls.baudRatePU, "115200");
        window->choose(window->controls.flowPU, "Xon/Xoff");
    });
    EXPECT_EQ(window->document->windowTitle(), "cu.b - 115200 none-8-1 Xon/Xoff");

    // Back to a: its own settings show, and its buffer is shown again at the next tick.
    quietly([&] { window->choose(window->controls.devicePU, "cu.a"); });
    EXPECT_EQ(window->controls.baudRatePU.titleOfSelectedItem(), "9600");
    EXPECT_EQ(window->controls.flowPU.titleOfSelectedItem(), "None");
    quietly([&] { window->tick(); });
    EXPECT_EQ(window->received(), u"from a");
    quietly([&] { window->choose(window->controls.devicePU, "cu.b"); });
    EXPECT_EQ(window->controls.baudRatePU.titleOfSelectedItem(), "115200");
    EXPECT_EQ(window->controls.flowPU.titleOfSelectedItem(), "Xon/Xoff");
    const termios options = b.slaveOptions();
    EXPECT_EQ(cfgetospeed(&options), B115200);

    // The device already chosen: nothing happens but the line.
    EXPECT_EQ(quietly([&] { window->choose(window->controls.devicePU, "cu.b"); }),
              "Same device as last enabled: cu.b\n");
    EXPECT_NE(deviceB->getPortHandle(), -1);
}

TEST_F(DocumentTest, EachSettingReopensThePortWithItAndTurnsReadingOn)
{
    Pty pty;
    attach("cu.usb", pty);
    auto window = openWindow();
    Device* device = window->device();

    EXPECT_EQ(quietly([&] { window->choose(window->controls.baudRatePU, "14400"); }),
              "Failed to closed previsouly enabled port\nSETTING Packet N81\nSETTING Flow None\nOPEND port\n"
              "INTERFACE: SET_BAUD TO: 14400  clicked\n");
    EXPECT_EQ(device->getBaud(), 14400);
    EXPECT_TRUE(window->document->isReading());
    EXPECT_EQ(window->controls.readToggle.selectedSegment(), 1);

    EXPECT_EQ(quietly([&] { window->choose(window->controls.packetPU, "odd-7-1"); }),
              "Closed previsouly enabled port\nSETTING Packet O71\nSETTING Flow None\nOPEND port\n"
              "INTERFACE: SET_PACKET: 2  clicked\n");
    EXPECT_EQ(device->getPacketFlag(), 2);

    EXPECT_EQ(quietly([&] { window->choose(window->controls.flowPU, "Hardware"); }),
              "Closed previsouly enabled port\nSETTING Packet O71\nSETTING Flow Hardware\nOPEND port\n"
              "INTERFACE: SET_FLOW: 2  clicked\n");
    EXPECT_EQ(device->getFlowFlag(), 2);
    EXPECT_TRUE(pty.slaveOptions().c_cflag & CRTSCTS);
}

TEST_F(DocumentTest, APopUpWithNothingSelectedChangesNothing)
{
    Pty pty;
    attach("cu.usb", pty);
    auto window = openWindow();
    window->controls.baudRatePU.selectItemAtIndex(-1);
    window->controls.devicePU.selectItemAtIndex(-1);
    EXPECT_EQ(quietly([&] {
                  window->controls.baudRatePU.sendAction();
                  window->controls.devicePU.sendAction();
              }),
              "");
    EXPECT_EQ(window->device()->getBaud(), 9600);
    EXPECT_EQ(window->device()->getPortHandle(), -1);
}

TEST_F(DocumentTest, ThePopUpsShowTheSettingsOfTheRecordThePortUses)
{
    Pty pty;
    attach("cu.usb", pty);
    auto window = openWindow();
    quietly([&] {
        window->choose(window->controls.baudRatePU, "115200");
        window->choose(window->controls.packetPU, "even-7-1");
        window->choose(window->controls.flowPU, "Hardware");
    });
    const auto shown = [&] {
        const TerminalControls& c = window->controls;
        return c.devicePU.titleOfSelectedItem() + " " + c.baudRatePU.titleOfSelectedItem() + " " +
               c.packetPU.titleOfSelectedItem() + " " + c.flowPU.titleOfSelectedItem();
    };
    EXPECT_EQ(shown(), "cu.usb 115200 even-7-1 Hardware");

    // The device goes away and another window's rescan drops its record: no device, no choice.
    dev.remove("cu.usb");
    openWindow();
    quietly([&] { window->tick(); });
    EXPECT_EQ(window->document->windowTitle(), "No device");
    EXPECT_EQ(window->controls.devicePU.indexOfSelectedItem(), -1);

    // It comes back as a new record with the defaults, which is what the pop-ups must show.
    attach("cu.usb", pty);
    openWindow();
    quietly([&] { window->tick(); });
    EXPECT_EQ(window->document->windowTitle(), "cu.usb - 9600 none-8-1 None");
    EXPECT_EQ(shown(), "cu.usb 9600 none-8-1 None");
}

TEST_F(DocumentTest, ControlCharactersInADeviceNameShowAsEscapes)
{
    Pty pty;
    const std::string name = "cu.a\nb\x1b[31m";
    attach(name, pty);
    auto window = openWindow();
    quietly([&] { window->readOn(); });
    EXPECT_TRUE(window->document->isReading()) << "the name itself still opens the device";
    EXPECT_EQ(window->document->windowTitle(), "cu.a\\10b\\27[31m - 9600 none-8-1 None");

    dev.remove(name);
    std::unique_ptr<Window> other; // its scan drops the record
    EXPECT_NE(quietly([&] { other = std::make_unique<Window>(); }).find("device cu.a\\10b\\27[31m not found again"),
              std::string::npos);
    quietly([&] { window->tick(); });
    EXPECT_EQ(window->document->statusText(), "cu.a\\10b\\27[31m is no longer connected. Reading is off.");
}
