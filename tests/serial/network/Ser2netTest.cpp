#include "serial/ModemLines.h"
#include "serial/NetworkPort.h"
#include "tests/serial/network/NetworkFixture.h"
#include "tests/support/Ser2net.h"
#include "tests/support/Flood.h"
#include "tests/support/Pty.h"

#include <cerrno>
#include <thread>

using namespace std::chrono_literals;

namespace {

// ser2net serving a pty's slave with RFC 2217; the test plays the board on the master.
class Ser2netTest : public NetworkFixture {
protected:
    void SetUp() override
    {
        if (!Ser2net::available())
            GTEST_SKIP() << "ser2net is not installed (scripts/setup.sh --ci installs it)";
        server.start();
    }

    Pty pty;
    Ser2net server{pty.slavePath(), "telnet(rfc2217)"};
    Device device{server.address("rfc2217"), ""};
};

} // namespace

// Linux's pty driver keeps CS8 without parity whatever it is asked: the rate and the flow
// control are read off the pty, the data bits and parity off ser2net's answers.
TEST_F(Ser2netTest, TheWindowsSettingsReachThePty)
{
    device.setBaud(57600);
    device.setPacketFlag(1); // even-7-1
    device.setFlowFlag(2);   // hardware
    ASSERT_EQ(open(device), true) << serial.openFailure();
    const termios options = pty.slaveOptions();
    EXPECT_EQ(cfgetospeed(&options), speed_t{B57600});
    EXPECT_NE(options.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(options.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(serial.runningRate(), 57600);
    const ComPortClient::Remote& remote = dynamic_cast<NetworkPort&>(*device.getPort()).remote();
    EXPECT_EQ(remote.dataSize, 7);
    EXPECT_EQ(remote.parity, ComPortClient::ParityEven);
    EXPECT_EQ(remote.stopSize, ComPortClient::OneStopBit);
}

// A pty has no modem lines and no break: ser2net's ioctls for them reach nothing there. What
// can be checked is that each goes out and that ser2net takes it without dropping us, still
// carrying every byte value both ways.
TEST_F(Ser2netTest, LinesAndBreakAreTakenByTheServerAndEveryByteValueStillGoesThrough)
{
    ASSERT_EQ(open(device), true) << serial.openFailure();
    const auto modem = serial.modemLines(&device);
    int error = 0;
    EXPECT_TRUE(modem->set(ModemLines::Dtr, false, error));
    EXPECT_TRUE(modem->set(ModemLines::Rts, false, error));
    EXPECT_TRUE(modem->setBreak(true, error));
    EXPECT_TRUE(modem->setBreak(false, error));
    EXPECT_FALSE(serial.isHungUp(&device));
    pty.writeMaster(allByteValues(4));
    EXPECT_EQ(receive(device, 1024), allByteValues(4));
    ASSERT_TRUE(send(device, allByteValues(4)));
    EXPECT_EQ(pty.readMaster(1024, 5s), allByteValues(4));
}

TEST_F(Ser2netTest, ATenMebibyteFloodArrivesExactly)
{
    ASSERT_EQ(open(device), true) << serial.openFailure();
    constexpr std::size_t total = 10u << 20;
    std::thread board = floodInto(pty, total);
    const std::string received = receive(device, total, 60s);
    board.join();
    ASSERT_EQ(received.size(), total);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < total; ++i)
        wrong += received[i] != floodByte(i);
    EXPECT_EQ(wrong, 0u);
}

TEST_F(Ser2netTest, AServerThatGoesAwayHangsUpAndTheRecordReopensWhenItIsBack)
{
    ASSERT_EQ(open(device), true) << serial.openFailure();
    server.stop();
    receive(device, 1);
    EXPECT_EQ(serial.lastError(), EIO);
    EXPECT_TRUE(serial.isHungUp(&device));

    EXPECT_EQ(open(device), false);
    EXPECT_EQ(serial.lastError(), ECONNREFUSED);
    server.start();
    ASSERT_EQ(open(device), true) << serial.openFailure();
    pty.writeMaster("back");
    EXPECT_EQ(receive(device, 4), "back");
}
