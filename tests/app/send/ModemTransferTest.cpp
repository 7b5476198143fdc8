#include "app/send/ModemTransfer.h"
#include "serial/SerialPort.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/RunLoop.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

// A far end that runs an lrzsz program behind socat: our side is socat's pty, opened as a
// serial port; the program talks through socat's pipes, so its closing flush of the tty
// can't eat its last answer before socat has passed it on.
struct FarEnd {
    FarEnd() { std::filesystem::create_directories(folder()); }
    explicit FarEnd(const std::string& command)
        : FarEnd()
    {
        start(command);
    }
    void start(const std::string& command)
    {
        ChildProcess::Setup setup;
        setup.arguments = {"socat", "pty,raw,echo=0,link=" + dir.path() + "/port",
                           "SYSTEM:cd " + folder() + " && exec " + command + " 2>" + dir.path() + "/far.err"};
        int error = 0;
        socat = ChildProcess::spawn(setup, error);
        for (int i = 0; i < 200 && !std::filesystem::exists(dir.path() + "/port"); ++i)
            std::this_thread::sleep_for(10ms);
        port = SerialPort::open(dir.path() + "/port", "cu.far", 115200, 0, 0, error);
        if (!port) {
            char text[4096] = {};
            const ssize_t count = socat ? ::read(socat->errorOutput(), text, sizeof text - 1) : 0;
            ADD_FAILURE() << "the far end's port did not open: " << std::strerror(error) << "; socat said: "
                          << std::string(text, count > 0 ? static_cast<std::size_t>(count) : 0) << "; far end: "
                          << readFile(dir.path() + "/far.err");
        }
    }
    std::string folder() const { return dir.path() + "/far"; }
    std::string file(const std::string& name, std::size_t size) const
    {
        std::mt19937 random(static_cast<unsigned>(size));
        std::string bytes(size, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        std::ofstream(dir.path() + "/" + name, std::ios::binary) << bytes;
        return dir.path() + "/" + name;
    }
    // lrzsz waits seconds before it asks again for what it missed; on a loaded machine a
    // transfer can need several such rounds (sb to rb over socat alone does, with no program
    // of ours between them), which says nothing about the bytes it delivers.
    bool run(ModemTransfer& transfer, std::chrono::seconds timeout = 180s) const
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (transfer.isRunning() && std::chrono::steady_clock::now() < deadline)
            RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 5ms);
        return !transfer.isRunning();
    }

    TempDir dir;
    std::unique_ptr<ChildProcess> socat;
    std::unique_ptr<SerialPort> port;
};

struct Case {
    ModemProtocol protocol;
    const char* farReceive;
    const char* farSend;
};

class ModemBothWays : public testing::TestWithParam<Case> {};

TEST_P(ModemBothWays, SendsToAndReceivesFromLrzszIdentically)
{
    const Case& c = GetParam();
    // XMODEM pads the last block: a size of whole blocks arrives as it is. XMODEM and YMODEM
    // wait for an answer to every block, so they get less.
    const std::size_t size = c.protocol == ModemProtocol::Xmodem ? 32 * 1024
                             : c.protocol == ModemProtocol::Ymodem ? 50001 : 300001;
    {
        FarEnd far(c.farReceive);
        ASSERT_TRUE(far.port);
        const std::string sent = far.file("out.bin", size);
        ModemTransfer transfer(*far.port);
        std::string status;
        transfer.setOnFinished([&](const std::string& line) { status = line; });
        ASSERT_EQ(transfer.start({c.protocol, true, {sent}, {}, 90s}), "");
        ASSERT_TRUE(far.run(transfer));
        EXPECT_EQ(transfer.outcome(), ModemTransfer::Outcome::Done) << status;
        EXPECT_TRUE(status.starts_with(std::string(protocolName(c.protocol)) + " send complete")) << status;
        std::this_thread::sleep_for(200ms);
        EXPECT_TRUE(readFile(far.folder() + "/out.bin") == readFile(sent));
    }
    {
        FarEnd far;
        const std::string sent = far.file("in.bin", size);
        far.start(std::string(c.farSend) + " ../in.bin");
        ASSERT_TRUE(far.port);
        std::filesystem::create_directories(far.dir.path() + "/here");
        ModemTransfer transfer(*far.port);
        ModemTransfer::Request request{c.protocol, false, {}, far.dir.path() + "/here", 90s};
        if (c.protocol == ModemProtocol::Xmodem)
            request.files = {far.dir.path() + "/here/in.bin"};
        std::string status;
        transfer.setOnFinished([&](const std::string& line) { status = line; });
        ASSERT_EQ(transfer.start(request), "");
        ASSERT_TRUE(far.run(transfer));
        EXPECT_EQ(transfer.outcome(), ModemTransfer::Outcome::Done) << status;
        EXPECT_TRUE(readFile(far.dir.path() + "/here/in.bin") == readFile(sent));
    }
}

INSTANTIATE_TEST_SUITE_P(Lrzsz, ModemBothWays,
                         testing::Values(Case{ModemProtocol::Xmodem, "rx -q out.bin", "sx -q"},
                                         // 1K blocks: fewer answers to wait for, fewer rounds lost
                                         Case{ModemProtocol::Ymodem, "rb -q", "sb -k -q"},
                                         Case{ModemProtocol::Zmodem, "rz -q", "sz -q"}),
                         [](const testing::TestParamInfo<Case>& param) { return std::string(protocolName(param.param.protocol)); });

TEST(ModemTransfer, CancelStopsTheChildAndTellsTheFarEnd)
{
    FarEnd far("rz -vv");
    const std::string sent = far.file("out.bin", 16 << 20);
    ModemTransfer transfer(*far.port);
    ASSERT_EQ(transfer.start({ModemProtocol::Zmodem, true, {sent}, {}, 30s}), "");
    while (transfer.output().done() == 0 && transfer.isRunning())
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 5ms);
    transfer.cancel();
    ASSERT_TRUE(far.run(transfer, 5s));
    EXPECT_EQ(transfer.outcome(), ModemTransfer::Outcome::Cancelled);
    // The far end heard the cancel and gave up (socat ends with it), without the whole file.
    for (int i = 0; i < 1000 && !far.socat->poll(); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(far.socat->hasEnded()) << "rz is still waiting: " << readFile(far.dir.path() + "/far.err").substr(0, 3000);
    const std::string got = far.folder() + "/out.bin"; // rz may remove what it got
    EXPECT_TRUE(!std::filesystem::exists(got) || std::filesystem::file_size(got) < (16u << 20));
}

TEST(ModemTransfer, AFarEndThatCancelsEndsItWithLrzszsWord)
{
    FarEnd far("rz -vv");
    const std::string sent = far.file("out.bin", 16 << 20);
    ModemTransfer transfer(*far.port);
    std::string status;
    transfer.setOnFinished([&](const std::string& line) { status = line; });
    ASSERT_EQ(transfer.start({ModemProtocol::Zmodem, true, {sent}, {}, 30s}), "");
    while (transfer.output().done() == 0 && transfer.isRunning())
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 5ms);
    far.socat->signal(SIGTERM); // socat passes the end on: rz is gone mid-file
    ASSERT_TRUE(far.run(transfer, 60s));
    EXPECT_EQ(transfer.outcome(), ModemTransfer::Outcome::Failed);
    EXPECT_TRUE(status.starts_with("ZMODEM send failed: sz ")) << status;
}

TEST(ModemTransfer, AFarEndThatNeverAnswersTimesOutAndLeavesThePortUsable)
{
    Pty pty;
    int error = 0;
    auto port = SerialPort::open(pty.slavePath(), "cu.silent", 115200, 0, 0, error);
    ASSERT_TRUE(port);
    TempDir dir;
    std::ofstream(dir.path() + "/f.bin") << "data";
    ModemTransfer transfer(*port);
    std::string status;
    transfer.setOnFinished([&](const std::string& line) { status = line; });
    ASSERT_EQ(transfer.start({ModemProtocol::Zmodem, true, {dir.path() + "/f.bin"}, {}, 1s}), "");
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    std::string heard;
    while (transfer.isRunning() && std::chrono::steady_clock::now() < deadline) {
        RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 5ms);
        heard += pty.readMaster(65536, 1ms);
    }
    EXPECT_EQ(transfer.outcome(), ModemTransfer::Outcome::NoAnswer);
    EXPECT_EQ(status, "ZMODEM send stopped: the far end did not answer within 1 s. Is its ZMODEM receive started?");
    heard += pty.readMaster(65536, 300ms);
    EXPECT_NE(heard.find(std::string(ModemTransfer::cancelSequence)), std::string::npos) << "CANs went out";

    port->queue("still here");
    EXPECT_EQ(port->writeQueued(), 10) << "the port is non-blocking again and writes";
    EXPECT_EQ(pty.readMaster(10, 1s), "still here");
}

TEST(ModemTransfer, SaysHowToInstallLrzszWhenItIsMissing)
{
    Pty pty;
    int error = 0;
    auto port = SerialPort::open(pty.slavePath(), "cu.x", 115200, 0, 0, error);
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", "/nonexistent", 1);
    ModemTransfer transfer(*port);
    const std::string status = transfer.start({ModemProtocol::Ymodem, true, {"/etc/hostname"}, {}, 30s});
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_NE(status.find("YMODEM needs the lrzsz programs"), std::string::npos) << status;
    EXPECT_NE(status.find("apt install lrzsz"), std::string::npos) << status;
}

} // namespace
