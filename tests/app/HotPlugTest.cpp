#include "tests/app/DocumentFixture.h"
#include "tests/support/Redirect.h"

#include "app/connection/describeOpenFailure.h"
#include "serial/SerialController.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// The event loop runs for a while: long enough for a burst of changes to settle into a scan.
void settle()
{
    RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 500ms);
}

std::vector<std::string> listed(const Window& window)
{
    return window.controls.devicePU.itemTitles();
}

} // namespace

TEST_F(DocumentTest, DevicesThatComeAndGoShowInEveryWindowByThemselvesAndABurstIsOneScan)
{
    attach("cu.a");
    auto first = openWindow("cu.a");
    auto second = openWindow();
    int scans = 0;
    DeviceList::sharedDeviceList().addObserver(&scans, [&] { ++scans; });

    // Ten changes close together, as udev makes them for one plug: one scan once they settle.
    for (const std::string name : {"cu.b0", "cu.b1", "cu.b2", "cu.b3", "cu.b4"}) {
        attach(name);
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 20ms);
    }
    for (const std::string name : {"cu.b0", "cu.b1", "cu.b2", "cu.b3"}) {
        dev.remove(name);
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 20ms);
    }
    attach("cu.c");
    settle();
    EXPECT_EQ(scans, 1);
    for (const Window* window : {first.get(), second.get()}) {
        std::vector<std::string> names = listed(*window);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"cu.a", "cu.b4", "cu.c"}));
    }
    EXPECT_EQ(first->controls.devicePU.titleOfSelectedItem(), "cu.a") << "the window keeps its device by name";
    EXPECT_TRUE(first->reading());

    // A device that goes leaves every pop-up, with its line.
    dev.remove("cu.b4");
    EXPECT_EQ(logged(settle), "device cu.b4 not found again, REMOVING..\n");
    EXPECT_EQ(listed(*second).size(), 2u);
    EXPECT_EQ(scans, 2);

    // Steady churn can't put the scan off for long: it comes within the 1.5 s of churn.
    for (int i = 0; i < 15 && scans == 2; ++i) {
        attach("cu.d");
        dev.remove("cu.d");
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 100ms);
    }
    EXPECT_EQ(scans, 3);

    // A watched folder that goes and comes back is watched again.
    std::filesystem::remove_all(dev.path());
    settle();
    std::filesystem::create_directory(dev.path());
    RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 1500ms);
    attach("cu.e");
    settle();
    EXPECT_EQ(listed(*second), std::vector<std::string>{"cu.e"});
    DeviceList::sharedDeviceList().removeObserver(&scans);
}

TEST_F(DocumentTest, AReadingWindowWaitsForItsDeviceAndResumesOnTheNextOneWithItsOwnSettings)
{
    attach("cu.x");
    auto window = openWindow("cu.x");
    window->choose(window->controls.baudRatePU, "115200");
    window->choose(window->controls.packetPU, "even-7-1");
    window->choose(window->controls.flowPU, "Hardware");
    window->device()->setDtr(false); // held low, say to keep a board in reset
    ptys["cu.x"].writeMaster("crash ");
    tickUntil(*window, 6);

    ptys["cu.x"].hangUp();
    window->tick();
    EXPECT_FALSE(window->reading());
    EXPECT_EQ(window->document->statusText(), "cu.x was disconnected; waiting for it to come back");
    EXPECT_EQ(window->shown(), "cu.x (disconnected) 115200 even-7-1 Hardware");
    EXPECT_EQ(window->document->windowTitle(), "cu.x (disconnected) - 115200 even-7-1 Hardware");

    // The name comes back on another terminal: it opens as the window shows, and reads.
    dev.remove("cu.x");
    ptys.erase("cu.x");
    Pty* pty = nullptr;
    const std::string lines = logged([&] {
        pty = &attach("cu.x");
        settle();
    });
    EXPECT_NE(lines.find("SETTING Packet E71\nSETTING Flow Hardware\nOPEND port\n"), std::string::npos) << lines;
    EXPECT_TRUE(window->reading());
    EXPECT_EQ(window->document->statusText(), "cu.x reconnected");
    EXPECT_EQ(window->shown(), "cu.x 115200 even-7-1 Hardware");
    EXPECT_EQ(window->document->windowTitle(), "cu.x - 115200 even-7-1 Hardware");
    const termios options = pty->slaveOptions();
    EXPECT_EQ(cfgetospeed(&options), B115200);
    // A Linux pty keeps 8 bits without parity whatever it is told: the format shows in the log.
    EXPECT_EQ(options.c_cflag & CRTSCTS, CRTSCTS);
    EXPECT_FALSE(window->device()->getDtr());
    pty->writeMaster("back");
    tickUntil(*window, 4);
    EXPECT_EQ(window->received(), u"crash back") << "what came before the reconnect stays in view";
    EXPECT_EQ(window->device()->getRecvCount(), 10u);

    // Waiting stops when the user switches reading off: the window takes a listed device.
    pty->hangUp();
    window->tick();
    EXPECT_EQ(window->document->waitingFor(), "cu.x");
    window->readOff();
    EXPECT_EQ(window->document->waitingFor(), "");
    EXPECT_EQ(window->shown(), "cu.x 115200 even-7-1 Hardware");
}

TEST_F(DocumentTest, AListedDeviceThatDoesNotOpenYetIsTriedAgainWithoutAChangeInTheFolder)
{
    // The name leads through a folder nobody watches, so the node behind it can come and go
    // while the device folder stays as it is: a hang-up that leaves the name listed.
    TempDir nodes;
    Pty board;
    nodes.link("node", board.slavePath());
    dev.link("cu.x", nodes.path() + "/node");
    auto window = openWindow("cu.x");
    ASSERT_TRUE(window->reading());
    board.hangUp();
    nodes.remove("node");
    window->tick();
    EXPECT_EQ(window->document->waitingFor(), "cu.x");

    const auto waitFor = [](const std::function<bool()>& done) {
        for (const auto limit = std::chrono::steady_clock::now() + 3s; !done() && std::chrono::steady_clock::now() < limit;)
            RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 50ms);
    };
    waitFor([&] { return window->document->statusText().starts_with("Cannot open"); });
    EXPECT_FALSE(window->reading());
    EXPECT_EQ(window->document->statusText(), "Cannot open " + dev.path() +
                                                  "/cu.x: No such file or directory. Still waiting for cu.x and trying again.");

    Pty again;
    nodes.link("node", again.slavePath());
    waitFor([&] { return window->document->isReading(); });
    EXPECT_TRUE(window->reading());
    EXPECT_EQ(window->document->statusText(), "cu.x reconnected");
}

TEST_F(DocumentTest, ANameThatComesBackOnAnotherAdapterIsNotReattached)
{
    TempDir byId;
    DeviceList::sharedDeviceList() = DeviceList({dev.path(), sys.path(), byId.path()});
    Pty& board = attach("cu.x");
    byId.link("usb-Board_A-if00", board.slavePath());
    auto window = openWindow("cu.x");

    board.hangUp();
    dev.remove("cu.x");
    byId.remove("usb-Board_A-if00");
    settle();
    EXPECT_EQ(window->document->waitingFor(), "cu.x");

    Pty other;
    byId.link("usb-Board_B-if00", other.slavePath());
    dev.link("cu.x", other.slavePath());
    settle();
    EXPECT_FALSE(window->reading());
    EXPECT_EQ(window->document->statusText(),
              "A different device (usb-Board_B-if00) now has the name cu.x; still waiting for usb-Board_A-if00");
    EXPECT_EQ(window->controls.devicePU.titleOfSelectedItem(), "cu.x (disconnected)");

    // The board comes back, its link a moment after its node: only the link lets it in.
    other.hangUp();
    dev.remove("cu.x");
    byId.remove("usb-Board_B-if00");
    settle();
    Pty again;
    dev.link("cu.x", again.slavePath());
    settle();
    EXPECT_FALSE(window->reading());
    EXPECT_EQ(window->document->statusText(), "cu.x is back, but not yet known as usb-Board_A-if00; still waiting for it");
    byId.link("usb-Board_A-if00", again.slavePath());
    settle();
    EXPECT_TRUE(window->reading());
    EXPECT_EQ(window->document->statusText(), "cu.x reconnected");
}

TEST_F(DocumentTest, AnotherProgramIsRefusedOurPortAndToldWhoHoldsItWhileOurWindowsShareIt)
{
    attach("cu.x");
    auto window = openWindow("cu.x");
    auto second = openWindow("cu.x");
    EXPECT_TRUE(second->reading());
    EXPECT_EQ(second->device()->getPortHandle(), window->device()->getPortHandle());

    int result[2];
    ASSERT_EQ(::pipe(result), 0);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        // Another program: its own record and driver, on the same path.
        SerialController serial;
        Device device("cu.x", dev.path());
        const std::string refusal =
            serial.openPort(&device) ? "opened" : describeBusyPort(device.getAddr(), serial.portHolder());
        [[maybe_unused]] const ssize_t written = ::write(result[1], refusal.data(), refusal.size());
        ::_exit(0);
    }
    ::close(result[1]);
    std::string refusal;
    char chunk[256];
    for (ssize_t got; (got = ::read(result[0], chunk, sizeof chunk)) > 0;)
        refusal.append(chunk, static_cast<std::size_t>(got));
    ::close(result[0]);
    ::waitpid(child, nullptr, 0);
    std::string command;
    std::getline(std::ifstream("/proc/self/comm"), command);
    EXPECT_EQ(refusal, "cu.x is in use by " + command + " (pid " + std::to_string(::getpid()) + ")");

    // Once we let go, the port is free for others.
    window->readOff();
    second->readOff();
    SerialController serial;
    Device device("cu.x", dev.path());
    EXPECT_TRUE(serial.openPort(&device));
}

TEST_F(DocumentTest, AThousandPlugsAndUnplugsLeaveNoDescriptorBehind)
{
    const auto descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    // What the event loop does when the folder changes: the watch fires, then its timer.
    const auto turn = [] {
        RunLoop::currentRunLoop().fireReadyWatches();
        RunLoop::currentRunLoop().fireTimers();
    };
    // Each unplug is told on stderr; a thousand of them are not worth reading.
    const FileDescriptor null(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    const Redirect quiet(STDERR_FILENO, null.get());
    std::optional<Pty> pty(std::in_place);
    dev.link("cu.x", pty->slavePath());
    auto window = openWindow("cu.x");
    const auto cycle = [&] {
        dev.remove("cu.x");
        pty.reset();
        turn();
        pty.emplace();
        dev.link("cu.x", pty->slavePath());
        turn();
        return window->reading();
    };
    ASSERT_TRUE(cycle());
    const auto before = descriptors();
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(cycle()) << "cycle " << i << ": " << window->document->statusText();
    EXPECT_EQ(descriptors(), before);
}
