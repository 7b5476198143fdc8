// A window on a port behind ser2net, the RFC 2217 server people use, and a window brought to
// what the command line asked.
#include "app/terminal/startWindow.h"
#include "tests/app/terminal/DocumentFixture.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/Ser2net.h"

#include <filesystem>

namespace {

speed_t speedOf(const Pty& pty)
{
    const termios options = pty.slaveOptions();
    return cfgetospeed(&options);
}

class NetworkWindowTest : public DocumentTest {
protected:
    void SetUp() override
    {
        if (!Ser2net::available())
            GTEST_SKIP() << "ser2net is not installed (scripts/setup.sh --ci installs it)";
        server.start();
    }
    bool settle(Window& window, const std::function<bool()>& done)
    {
        return await(done, [&] {
            run();
            window.document->update();
        });
    }

    Pty board;
    Ser2net server{board.slavePath(), "telnet(rfc2217)"};
};

} // namespace

// The window goes while its network port is open and has had data: its records go with it,
// and nothing of theirs may call back into what is gone (the sanitizer build checks).
TEST_F(NetworkWindowTest, APortOnAnotherMachineOpensWithTheSettingsReadsAndIsReopenedWithThemWhenDropped)
{
    auto window = openWindow();
    const std::string address = server.address("rfc2217");
    ASSERT_TRUE(window->document->openNetworkPort(address, PortSettings{57600, 0, 0, true, true}));
    EXPECT_EQ(window->document->portState(), "Connecting\u2026");
    EXPECT_EQ(window->status(), "Connecting to " + address + "\u2026");
    ASSERT_TRUE(settle(*window, [&] { return window->document->portState() == "Port open, reading"; }))
        << window->status();
    EXPECT_EQ(window->controls.devicePU.titleOfSelectedItem(), address);
    EXPECT_EQ(speedOf(board), speed_t{B57600});
    board.writeMaster("ready\r\n");
    EXPECT_TRUE(settle(*window, [&] { return window->received() == u"ready\r\n"; }));
    server.stop();
    ASSERT_TRUE(settle(*window, [&] { return window->status().find("waiting for it to come back") != std::string::npos; }))
        << window->status();
    server.start();
    ASSERT_TRUE(settle(*window, [&] { return window->status().find(address + " reconnected") == 0; }))
        << window->status();
    EXPECT_EQ(speedOf(board), speed_t{B57600});
    board.writeMaster("back");
    EXPECT_TRUE(settle(*window, [&] { return window->received().find(u"back") != std::u16string::npos; }));
    window.reset();
}

TEST_F(NetworkWindowTest, AnAddressThatIsNoneIsRefusedWithWhyAndListsNothing)
{
    auto window = openWindow();
    EXPECT_FALSE(window->document->openNetworkPort("rfc2217://:2217"));
    EXPECT_FALSE(window->status().empty());
    EXPECT_EQ(window->controls.devicePU.numberOfItems(), 0);
}

// The settings asked for are the record's before it opens: the port opens once, with them.
TEST_F(DocumentTest, AStartPortGivenAsALinkOpensOnceWithTheSettingsAskedFor)
{
    Pty& pty = folder.attach("cu.start");
    folder.identify("cu.start", "usb-Board_1234-if00");
    auto window = openWindow();
    StartOptions options;
    options.ports = {folder.byId() + "/usb-Board_1234-if00"};
    options.baud = 57600;
    options.view = ViewTypeHex;
    options.encoding = TextEncodingUtf8;
    log.take();
    startWindow(*window->document, options, options.ports[0]);
    EXPECT_EQ(window->document->deviceName(), "cu.start");
    EXPECT_TRUE(window->reading());
    EXPECT_EQ(speedOf(pty), speed_t{B57600});
    EXPECT_EQ(window->document->getViewType(), ViewTypeHex);
    EXPECT_EQ(window->document->getTextEncoding(), TextEncodingUtf8);
    const std::string lines = log.take();
    EXPECT_EQ(lines.find("OPEND port"), lines.rfind("OPEND port")) << lines;
}

TEST_F(DocumentTest, AStartPortThatIsNotThereLeavesTheWindowOnItsFirstDeviceAndSaysSo)
{
    folder.attach("cu.first");
    auto window = openWindow();
    StartOptions options;
    options.ports = {"ttyNOPE9"};
    startWindow(*window->document, options, options.ports[0]);
    EXPECT_EQ(window->document->deviceName(), "cu.first");
    EXPECT_FALSE(window->reading());
    EXPECT_EQ(window->status(), "ttyNOPE9 is not connected; choose a device when it is.");
}

// A server far away answers after the window's next tick: the window keeps connecting, and does
// not take a port with no descriptor yet for one that went away.
TEST_F(DocumentTest, ANetworkPortStillConnectingAtTheWindowsTicksIsNotTakenForGone)
{
    LoopbackServer server; // accepts, and answers nothing
    auto window = openWindow();
    ASSERT_TRUE(window->document->openNetworkPort(server.address("rfc2217"), PortSettings{}));
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    while (std::chrono::steady_clock::now() < until) {
        run();
        window->document->update();
    }
    EXPECT_EQ(window->document->portState(), "Connecting\u2026");
    EXPECT_TRUE(window->reading());
    EXPECT_EQ(window->status(), "Connecting to " + server.address("rfc2217") + "\u2026");
}
