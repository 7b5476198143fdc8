#include "tests/app/DocumentFixture.h"

#include "app/text/filterString.h"

#include <termios.h>
#include <thread>

using namespace std::chrono_literals;

TEST_F(DocumentTest, StartsWithNoPortAndReadingOrAnySettingOpensItWithTheSettingsOrSaysWhyNot)
{
    Pty& pty = attach("cu.usb");
    std::unique_ptr<Window> window;
    EXPECT_EQ(logged([&] { window = openWindow(); }), "INIT\nStarted Timer\nSETUP\n");
    TerminalControls& c = window->controls;
    Device* device = window->device();
    EXPECT_EQ(window->shown(), "cu.usb 9600 none-8-1 None");
    EXPECT_FALSE(window->reading());
    // A pop-up with nothing selected changes nothing.
    c.baudRatePU.selectItemAtIndex(-1);
    c.devicePU.selectItemAtIndex(-1);
    EXPECT_EQ(logged([&] { c.baudRatePU.sendAction(); c.devicePU.sendAction(); }), "");

    EXPECT_EQ(logged([&] { window->readOn(); }),
              "SETTING Packet N81\nSETTING Flow None\nOPEND port\nINTERFACE: TOGGLED read\n");
    EXPECT_TRUE(window->reading());
    EXPECT_NE(device->getPortHandle(), -1);
    EXPECT_EQ(logged([&] { window->readOn(); }), "INTERFACE: TOGGLED read\n") << "already open: nothing more opens";
    EXPECT_EQ(logged([&] { window->readOff(); }), "Closed previsouly enabled port\nINTERFACE: TOGGLED read\n");
    EXPECT_EQ(device->getPortHandle(), -1);
    EXPECT_EQ(logged([&] { window->tick(); }), "") << "reading off, a tick reads and prints nothing";

    // Each setting reopens the port with it and turns reading on.
    EXPECT_EQ(logged([&] { window->choose(c.baudRatePU, "14400"); }),
              "Failed to closed previsouly enabled port\nSETTING Packet N81\nSETTING Flow None\nOPEND port\n"
              "INTERFACE: SET_BAUD TO: 14400  clicked\n");
    EXPECT_TRUE(window->reading());
    window->choose(c.packetPU, "odd-7-1"); // its reopening logs as the flow's below shows
    EXPECT_EQ(logged([&] { window->choose(c.flowPU, "Hardware"); }),
              "Closed previsouly enabled port\nSETTING Packet O71\nSETTING Flow Hardware\nOPEND port\n"
              "INTERFACE: SET_FLOW: 2  clicked\n");
    EXPECT_TRUE(pty.slaveOptions().c_cflag & CRTSCTS);

    // A port that can't be opened turns reading back off and says why.
    dev.link("cu.gone", dev.path() + "/nothing-here");
    window->click(c.refreshButton);
    window->choose(c.devicePU, "cu.gone");
    EXPECT_EQ(logged([&] { window->readOn(); }), "INTERFACE: TOGGLED read\n");
    EXPECT_FALSE(window->reading());
    EXPECT_NE(window->document->statusText().find("No such file or directory"), std::string::npos);
}

// How a selection rolls with the buffer is the text view test's.
TEST_F(DocumentTest, ReceivedBytesShowInEveryViewUntilCleared)
{
    Pty& pty = attach("cu.usb");
    auto window = openWindow("cu.usb");
    pty.writeMaster(std::string("A\0\xFF\r~ ", 6));
    tickUntil(*window, 6);
    // Each byte one character, in the view's rendering (whose escapes and colours are the filter test's).
    const TextView& view = window->controls.recieveTF;
    for (const int mode : {1, 2, 3, 0}) {
        window->view(mode);
        EXPECT_EQ(view.textStorage(), filterString(std::u16string(u"A\0\u00FF\r~ ", 6), mode)) << mode;
    }
    EXPECT_EQ(view.scrollRequest().location, view.length());

    // Clear empties both the shared buffer and the view; what comes next shows alone.
    window->click(window->controls.clrRecvButton);
    pty.writeMaster("again");
    tickUntil(*window, 5);
    EXPECT_EQ(window->received(), u"again");
}

TEST_F(DocumentTest, AHungUpDeviceTurnsReadingOffOnceAndSaysWhatWasLost)
{
    Pty& pty = attach("cu.usb");
    auto window = openWindow("cu.usb");
    window->type(std::u16string(300000, u'x'));
    window->click(window->controls.sendButton);
    ASSERT_GT(window->device()->getPort()->pendingBytes(), 0u) << "a pty can't take 300000 bytes at once";
    pty.hangUp();
    EXPECT_NE(logged([&] { window->tick(); }).find("Serial:ERROR reading data from port\n"), std::string::npos);
    EXPECT_FALSE(window->reading());
    EXPECT_EQ(DeviceList::sharedDeviceList().getDeviceAtIndex(0)->getPortHandle(), -1);
    const std::string& status = window->document->statusText();
    EXPECT_TRUE(status.starts_with("cu.usb was disconnected; waiting for it to come back")) << status;
    EXPECT_NE(status.find("unsent bytes were dropped"), std::string::npos) << status;
    EXPECT_EQ(logged([&] { window->tick(); }), "");
}

// Every byte that arrives on a device, as a window's listener hears it.
struct Heard {
    explicit Heard(Device& d) : device(d) { d.addListener(this, [this](std::string_view bytes, const Moment&) { all.append(bytes); }); }
    ~Heard() { device.removeListener(this); }
    Device& device;
    std::string all;
};

std::string pattern(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251 + seed) & 0xFF);
    return bytes;
}

// The receive buffer after `sent`: its last bytes, each one character.
std::u16string tail(const std::string& sent)
{
    const auto* end = reinterpret_cast<const unsigned char*>(sent.data() + sent.size());
    return std::u16string(end - Device::maxRecvChars, end);
}

TEST_F(DocumentTest, WindowsOnTwoDevicesGetEveryByteApartAndWindowsOnOneShareItsBufferSettingsAndPort)
{
    Pty& a = attach("cu.a");
    Pty& b = attach("cu.b");
    auto first = openWindow("cu.a");
    auto second = openWindow("cu.b");
    auto third = openWindow("cu.b");
    Heard onA(*first->device());
    Heard onB(*second->device());
    const std::string toA = pattern(4 << 20, 0); // far more than a tick's worth
    const std::string toB = pattern(1 << 20, 99);
    std::thread writerA([&] { a.writeMaster(toA); });
    std::thread writerB([&] { b.writeMaster(toB); });
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    const std::string lines = logged([&] {
        while ((onA.all.size() < toA.size() || onB.all.size() < toB.size()) && std::chrono::steady_clock::now() < deadline)
            RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 50ms);
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 250ms); // and the redraws
    });
    writerA.join();
    writerB.join();

    EXPECT_TRUE(onA.all == toA);
    EXPECT_TRUE(onB.all == toB);
    EXPECT_EQ(first->received(), tail(toA));
    EXPECT_EQ(third->received(), tail(toB)) << "a window sharing the port shows what the other read";
    // No read that found nothing; a line per read, with its count, is the serial controller test's.
    EXPECT_EQ(lines.find("Serial:NO DATA"), std::string::npos);

    // One window clearing the shared buffer, or changing its settings, shows in the other at its next tick.
    second->click(second->controls.clrRecvButton);
    third->tick();
    EXPECT_TRUE(third->received().empty());
    second->choose(second->controls.baudRatePU, "57600");
    third->tick();
    EXPECT_EQ(third->document->windowTitle(), "cu.b - 57600 none-8-1 None");

    // Reading off in one of two readers, or closing it, keeps the port; the last one closes it.
    Device* shared = second->device();
    second->readOff();
    EXPECT_NE(shared->getPortHandle(), -1);
    second->readOn();
    second->document->close();
    EXPECT_NE(shared->getPortHandle(), -1);
    third->document->close();
    EXPECT_EQ(shared->getPortHandle(), -1);
    EXPECT_EQ(logged([&] { RunLoop::currentRunLoop().fireTimers(); }).find("cu.b"), std::string::npos);
}

TEST_F(DocumentTest, AnIdlePortIsNotPolledUntilItHasNews)
{
    Pty& pty = attach("cu.usb");
    auto window = openWindow("cu.usb");
    RunLoop& loop = RunLoop::currentRunLoop();
    const auto sleepOnIt = [&] {
        for (int i = 0; i < MyDocument::idleTicksBeforeSleep; ++i)
            loop.fireTimers();
        ASSERT_TRUE(window->document->isAsleep());
        ASSERT_EQ(loop.timerCount(), 0u);
    };
    const auto wakeWithin = [&](std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (loop.fireReadyWatches() == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        return !window->document->isAsleep();
    };

    // Asleep, nothing ticks and nothing is printed.
    sleepOnIt();
    EXPECT_FALSE(wakeWithin(20ms));
    EXPECT_EQ(logged([&] { loop.fireTimers(); }), "");

    // Data wakes it and shows at once, without waiting for a tick.
    pty.writeMaster("wake up");
    EXPECT_TRUE(wakeWithin(1s));
    EXPECT_EQ(loop.timerCount(), 1u);
    EXPECT_EQ(window->received(), u"wake up");

    // So does every action of the user, all of which go through one door; a hang-up wakes it
    // as data does, and what follows is the hung-up device case's.
    sleepOnIt();
    window->type(u"queued");
    window->click(window->controls.sendButton);
    EXPECT_FALSE(window->document->isAsleep()) << "what the port does not take goes out on the ticks";
}

// Waiting for a device that went, and giving up on it, is the hot-plug test's.
TEST_F(DocumentTest, ChoosingADeviceMovesThePortAndAnotherWindowsRescanDoesNotMoveIt)
{
    Pty& a = attach("cu.a");
    attach("cu.b");
    auto first = openWindow("cu.a");
    Device* deviceA = first->device();
    a.writeMaster("from a");
    tickUntil(*first, 6);

    // A new device: the old port closes, the view empties, the new port opens and reads.
    EXPECT_EQ(logged([&] { first->choose(first->controls.devicePU, "cu.b"); }),
              "Closed previsouly enabled port\nSETTING Packet N81\nSETTING Flow None\nOPEND port\n");
    EXPECT_EQ(deviceA->getPortHandle(), -1);
    EXPECT_TRUE(first->received().empty());
    first->choose(first->controls.baudRatePU, "115200");
    // Back to a: its own settings show, and its buffer is shown again at the next tick.
    first->choose(first->controls.devicePU, "cu.a");
    EXPECT_EQ(first->shown(), "cu.a 9600 none-8-1 None");
    first->tick();
    EXPECT_EQ(first->received(), u"from a");
    // The device already chosen: nothing happens but the line.
    EXPECT_EQ(logged([&] { first->choose(first->controls.devicePU, "cu.a"); }),
              "Same device as last enabled: cu.a\n");

    // The device in front of it in the list goes away and another window rescans: it moves to
    // position 0, and the window reads on.
    const std::vector<std::string> names = first->controls.devicePU.itemTitles();
    const std::string front = names.at(0), back = names.at(1);
    first->use(back);
    dev.remove(front);
    openWindow();
    EXPECT_EQ(DeviceList::sharedDeviceList().getDeviceAtIndex(0), first->device());
    ptys[back].writeMaster("still here");
    tickUntil(*first, 10);
    EXPECT_TRUE(first->received().ends_with(u"still here"));
    // Its own rescan keeps its choice, by name.
    first->click(first->controls.refreshButton);
    EXPECT_EQ(first->controls.devicePU.titleOfSelectedItem(), back);
}

// Coming back as a new record with the window's own settings is the hot-plug test's.
TEST_F(DocumentTest, AWindowWhoseRecordAnotherWindowDropsWaitsForItAndShowsItsNameEscaped)
{
    const std::string name = "cu.a\nb\x1b[31m";
    const std::string escaped = "cu.a\\10b\\27[31m";
    attach(name);
    auto window = openWindow();
    window->choose(window->controls.baudRatePU, "115200");
    EXPECT_TRUE(window->reading()) << "the name itself still opens the device";
    EXPECT_EQ(window->document->windowTitle(), escaped + " - 115200 none-8-1 None");

    dev.remove(name);
    EXPECT_NE(logged([&] { openWindow(); }).find("device " + escaped + " not found again"), std::string::npos);
    window->tick();
    EXPECT_FALSE(window->reading());
    EXPECT_EQ(window->document->waitingFor(), name);
    EXPECT_EQ(window->document->windowTitle(), escaped + " (disconnected) - 115200 none-8-1 None");
    EXPECT_EQ(window->shown(), name + " (disconnected) 115200 none-8-1 None");
    EXPECT_EQ(window->document->statusText(), escaped + " was disconnected; waiting for it to come back");
}

TEST_F(DocumentTest, WithoutAnyDeviceNothingOpensAndNothingBreaks)
{
    auto window = openWindow();
    window->readOn();
    window->choose(window->controls.baudRatePU, "115200");
    window->type(u"hi");
    window->click(window->controls.sendButton);
    window->tick();
    window->click(window->controls.clrRecvButton);
    EXPECT_FALSE(window->reading());
    EXPECT_EQ(window->editor(), u"hi");
    EXPECT_NE(window->document->statusText().find("No serial device"), std::string::npos);
}
