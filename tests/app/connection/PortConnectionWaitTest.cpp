// A window whose device went away while read: it waits for the name, and reopens what comes
// back under it with the window's own settings, unless another adapter took the name.
#include "app/connection/PortConnection.h"

#include "tests/support/Await.h"
#include "tests/support/DeviceFolder.h"
#include "tests/support/LogCapture.h"
#include "tests/support/NotedConnection.h"
#include "tests/support/Redirect.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <termios.h>

namespace {

class PortConnectionWaitTest : public testing::Test {
protected:
    // A window reading `name`, which did `before` and then hung up.
    std::unique_ptr<NotedConnection> hungUp(const std::string& name, const std::function<void(NotedConnection&)>& before = {})
    {
        Pty& pty = folder.attach(name);
        auto noted = std::make_unique<NotedConnection>(folder.list);
        noted->use(name);
        if (before)
            before(*noted);
        pty.hangUp();
        noted->tick();
        return noted;
    }
    static bool waiting(const NotedConnection& noted) { return noted.connection.wait().isWaiting(); }

    LogCapture log; // the lines are the log lines test's
    DeviceFolder folder;
};

TEST_F(PortConnectionWaitTest, AHungUpDeviceTurnsReadingOffAndIsWaitedForAndLostOutputIsTold)
{
    auto noted = hungUp("cu.usb", [](NotedConnection& window) { window.connection.send(std::string(300000, 'x')); });
    EXPECT_FALSE(noted->connection.isReading() || noted->reading);
    EXPECT_TRUE(waiting(*noted));
    EXPECT_TRUE(noted->status.starts_with("cu.usb was disconnected; waiting for it to come back. ")) << noted->status;
    EXPECT_NE(noted->status.find("unsent bytes were dropped"), std::string::npos) << noted->status;
    EXPECT_EQ(folder.find("cu.usb")->getPortHandle(), -1);
    EXPECT_EQ(noted->tick(), PortConnection::Tick::NotReading) << "once";
}

TEST_F(PortConnectionWaitTest, WhileWaitingSettingsAreKeptForTheReopenNothingIsSentAndReadingOffEndsTheWait)
{
    auto noted = hungUp("cu.x");
    EXPECT_TRUE(noted->connection.applySetting([](PortSettings& settings) { settings.baud = 57600; }));
    EXPECT_EQ(noted->connection.settings()->baud, 57600);
    EXPECT_FALSE(noted->reading);
    EXPECT_EQ(noted->connection.send("x"), "cu.x was disconnected; waiting for it to come back. Nothing was sent.");
    noted->connection.toggledOff();
    EXPECT_FALSE(waiting(*noted));
    EXPECT_EQ(noted->status, "");
    ASSERT_NE(noted->device(), nullptr) << "reading off ends the wait: the window takes a listed device";
    EXPECT_STREQ(noted->device()->getAddr(), "cu.x");
    EXPECT_EQ(noted->device()->getBaud(), 9600) << "the hung-up record, not the settings kept for a reopen";
}

TEST_F(PortConnectionWaitTest, TheNameComingBackIsReopenedWithTheWindowsOwnSettingsAndWhatCameBefore)
{
    auto noted = hungUp("cu.x", [&](NotedConnection& window) {
        window.connection.applySetting([](PortSettings& settings) {
            settings.baud = 115200;
            settings.packet = 1;
            settings.flow = 2;
            settings.dtr = false; // held low, say to keep a board in reset
        });
        folder.ptys["cu.x"].writeMaster("crash ");
        await([&] { return window.device()->getRecvCount() == 6; }, [&] { window.tick(); });
    });
    EXPECT_EQ(noted->lastLook, "crash ") << "shown before the window let go";
    folder.detach("cu.x"); // it comes back on another terminal
    Pty& pty = folder.attach("cu.x");
    folder.list.rescan();
    EXPECT_TRUE(noted->connection.isReading() && noted->reading);
    EXPECT_EQ(noted->status, "cu.x reconnected");
    EXPECT_EQ(noted->connection.settings(), (PortSettings{115200, 1, 2, false, true}));
    const termios options = pty.slaveOptions();
    EXPECT_EQ(cfgetospeed(&options), speed_t{B115200});
    // A Linux pty keeps 8 bits without parity whatever it is told: the format shows in the log.
    EXPECT_EQ(options.c_cflag & CRTSCTS, CRTSCTS);
    pty.writeMaster("back");
    await([&] { return noted->device()->getRecvCount() >= 10; }, [&] { noted->tick(); });
    EXPECT_EQ(noted->device()->getRecvBuf(), "crash back") << "what came before stays in view";
    EXPECT_EQ(noted->device()->getRecvCount(), 10u);
}

TEST_F(PortConnectionWaitTest, AListedDeviceThatDoesNotOpenYetIsTriedAgainOnItsTimer)
{
    // The name leads through a folder nobody watches, so the node behind it can come and go
    // while the device folder stays as it is: a hang-up that leaves the name listed.
    TempDir nodes;
    std::optional<Pty> board(std::in_place);
    nodes.link("node", board->slavePath());
    folder.dev.link("cu.x", nodes.path() + "/node");
    folder.list.rescan();
    NotedConnection noted(folder.list);
    noted.use("cu.x");
    board.reset();
    nodes.remove("node");
    noted.tick();
    ASSERT_TRUE(waiting(noted));
    RunLoop::currentRunLoop().fireTimers();
    EXPECT_EQ(noted.status,
              "Cannot open " + folder.dev.path() + "/cu.x: No such file or directory. Still waiting for cu.x and trying again.");
    board.emplace();
    nodes.link("node", board->slavePath());
    RunLoop::currentRunLoop().fireTimers();
    EXPECT_TRUE(noted.connection.isReading());
    EXPECT_EQ(noted.status, "cu.x reconnected");
}

// A board known by its by-id link, then unplugged: the window waits for usb-Board_A-if00.
TEST_F(PortConnectionWaitTest, AnotherAdapterUnderTheNameIsNotTakenNorTheBoardBeforeItsLinkComes)
{
    folder.attach("cu.x");
    folder.identify("cu.x", "usb-Board_A-if00");
    folder.list.rescan();
    NotedConnection noted(folder.list);
    noted.use("cu.x");
    folder.forget("usb-Board_A-if00");
    folder.detach("cu.x");
    folder.list.rescan();
    ASSERT_TRUE(waiting(noted));
    folder.attach("cu.x");
    folder.identify("cu.x", "usb-Board_B-if00");
    folder.list.rescan();
    EXPECT_FALSE(noted.connection.isReading());
    EXPECT_EQ(noted.status, "A different device (usb-Board_B-if00) now has the name cu.x; still waiting for usb-Board_A-if00");
    folder.forget("usb-Board_B-if00");
    folder.detach("cu.x");
    folder.list.rescan();
    folder.attach("cu.x"); // the board, its link a moment after its node
    folder.list.rescan();
    EXPECT_FALSE(noted.connection.isReading());
    EXPECT_EQ(noted.status, "cu.x is back, but not yet known as usb-Board_A-if00; still waiting for it");
    folder.identify("cu.x", "usb-Board_A-if00");
    folder.list.rescan();
    EXPECT_TRUE(noted.connection.isReading());
    EXPECT_EQ(noted.status, "cu.x reconnected");
}

TEST_F(PortConnectionWaitTest, AThousandPlugsAndUnplugsLeaveNoDescriptorBehind)
{
    const auto descriptors = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    // What the event loop does when the folder changes: the watch fires, then its timer.
    const auto turn = [] {
        RunLoop::currentRunLoop().fireReadyWatches();
        RunLoop::currentRunLoop().fireTimers();
    };
    // Each unplug is told on stderr; a thousand of them are not worth reading.
    const FileDescriptor null(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    const Redirect quiet(STDERR_FILENO, null.get());
    folder.attach("cu.x");
    folder.list.rescan();
    NotedConnection noted(folder.list);
    noted.use("cu.x");
    const auto cycle = [&] {
        folder.detach("cu.x");
        turn();
        folder.attach("cu.x");
        turn();
        return noted.connection.isReading();
    };
    ASSERT_TRUE(cycle());
    const auto before = descriptors();
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(cycle()) << "cycle " << i << ": " << noted.status;
    EXPECT_EQ(descriptors(), before);
}

} // namespace
