#include "serial/ModemLines.h"
#include "serial/TelnetCodec.h"
#include "tests/serial/network/NetworkFixture.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/byteString.h"

#include <cerrno>

using namespace std::chrono_literals;

namespace {

constexpr int IAC = 255, SB = 250, SE = 240, WILL = 251, WONT = 252, DO = 253, DONT = 254;
const std::string agreeAll = byteString({IAC, DO, 0, IAC, WILL, 0, IAC, DO, 3, IAC, WILL, 3});

// A telnet server played by the test: what the client sent it, decoded by a codec of our own.
class NetworkPortTest : public NetworkFixture {
protected:
    // Waits for the client to connect and send `count` bytes; answers them.
    std::string serverReads(std::size_t count)
    {
        std::string got;
        pumpUntil([&] {
            if (server.accept())
                got += server.read(count - got.size(), 1ms);
            return got.size() >= count;
        });
        return got;
    }
    // Reads the client's offers and answers them, agreeing to COM-PORT-OPTION or refusing it.
    void serverAgrees(bool comPort = true)
    {
        serverReads(15);
        server.write(agreeAll + byteString({IAC, comPort ? DO : DONT, 44}));
    }
    // The COM-PORT-OPTION subnegotiations among what the server got from the client.
    std::vector<std::string> commandsIn(const std::string& wire)
    {
        TelnetCodec reader(true);
        std::vector<std::string> commands;
        reader.onComPortSubnegotiation([&](std::string_view payload) { commands.emplace_back(payload); });
        std::string data, replies;
        reader.receive(wire, data, replies);
        return commands;
    }

    LoopbackServer server;
};

} // namespace

TEST_F(NetworkPortTest, RawTcpCarriesEveryByteValueBothWaysHasNoModemLinesAndHangsUpWhenDropped)
{
    Device device(server.address("tcp"), "");
    ASSERT_EQ(open(device), true);
    ASSERT_TRUE(pumpUntil([&] { return server.accept(); }));
    server.write(allByteValues(4));
    EXPECT_EQ(receive(device, 1024), allByteValues(4));
    ASSERT_TRUE(send(device, allByteValues()));
    EXPECT_EQ(server.read(256, 2s), allByteValues());
    unsigned asserted = 0;
    int error = 0;
    EXPECT_FALSE(serial.modemLines(&device)->get(asserted, error));
    EXPECT_TRUE(ModemLines::meansNoLines(error));

    // A connection the server drops is a device that went away, once its last bytes are read.
    server.write("last words");
    server.dropClient();
    EXPECT_EQ(receive(device, 100), "last words");
    EXPECT_EQ(serial.lastError(), EIO);
    EXPECT_TRUE(serial.isHungUp(&device));
}

TEST_F(NetworkPortTest, TelnetNegotiatesRefusesTheRestAndCarriesIacDoubled)
{
    Device device(server.address("telnet"), "");
    startOpen(device);
    EXPECT_EQ(serverReads(12), byteString({IAC, WILL, 0, IAC, DO, 0, IAC, WILL, 3, IAC, DO, 3}));
    server.write(agreeAll + byteString({IAC, DO, 24, 'h', 'i', IAC, IAC}));
    ASSERT_EQ(awaitOpened(), true);
    EXPECT_EQ(receive(device, 3), byteString({'h', 'i', IAC}));
    EXPECT_EQ(server.read(3, 2s), byteString({IAC, WONT, 24}));
    ASSERT_TRUE(send(device, byteString({IAC, '\r', 0})));
    EXPECT_EQ(server.read(4, 2s), byteString({IAC, IAC, '\r', 0}));
}

TEST_F(NetworkPortTest, Rfc2217SendsTheSettingsAndReportsTheRateTheServerAnswered)
{
    Device device(server.address("rfc2217"), "");
    device.setBaud(250000);
    device.setPacketFlag(1); // even-7-1
    device.setFlowFlag(2);   // hardware
    startOpen(device);
    serverAgrees();
    const std::vector<std::string> commands = commandsIn(serverReads(52));
    const std::vector<std::string> expected = {byteString({1, 0, 3, 0xD0, 0x90}), byteString({2, 7}), byteString({3, 3}), byteString({4, 1}),
                                               byteString({5, 3}), byteString({5, 8}), byteString({11, 0xF0})};
    EXPECT_EQ(commands, expected); // no RTS: hardware flow owns it
    EXPECT_FALSE(opened.has_value()); // the answers are awaited
    server.write(byteString({IAC, SB, 44, 101, 0, 3, 0x84, 0x00, IAC, SE, IAC, SB, 44, 102, 7, IAC, SE, IAC, SB, 44, 103, 3,
                        IAC, SE, IAC, SB, 44, 104, 1, IAC, SE, IAC, SB, 44, 105, 3, IAC, SE}));
    ASSERT_EQ(awaitOpened(), true);
    EXPECT_EQ(serial.runningRate(), 230400);
    const std::string log = lines.take();
    EXPECT_NE(log.find("SETTING Packet E71\nSETTING Flow Hardware\n"), std::string::npos);
    EXPECT_NE(log.find("OPEND port\n"), std::string::npos);
}

TEST_F(NetworkPortTest, Rfc2217LinesFollowTheServerAndGoOutAsSetControl)
{
    // A server that agrees but never answers the settings is still used, once the time is up.
    serial.setNetworkTimeout(500ms);
    Device device(server.address("rfc2217"), "");
    startOpen(device);
    serverAgrees();
    serverReads(59);
    server.write(byteString({IAC, SB, 44, 107, 0x90, IAC, SE}));
    ASSERT_EQ(awaitOpened(15s), true);
    const auto modem = serial.modemLines(&device);
    unsigned asserted = 0;
    int error = 0;
    receive(device, 1, 100ms);
    ASSERT_TRUE(modem->get(asserted, error));
    EXPECT_EQ(asserted, ModemLines::Dtr | ModemLines::Rts | ModemLines::Cts | ModemLines::Dcd);
    EXPECT_TRUE(modem->set(ModemLines::Dtr, false, error));
    EXPECT_TRUE(modem->setBreak(true, error));
    EXPECT_TRUE(modem->setBreak(false, error));
    EXPECT_EQ(commandsIn(server.read(21, 2s)), (std::vector<std::string>{byteString({5, 9}), byteString({5, 5}), byteString({5, 6})}));
    ASSERT_TRUE(modem->get(asserted, error));
    EXPECT_EQ(asserted & ModemLines::Dtr, 0u);
}

TEST_F(NetworkPortTest, FailuresSayWhatHappened)
{
    serial.setNetworkTimeout(300ms);
    const LoopbackServer silent;
    const int closedPort = server.port();
    server.stopListening();
    const struct {
        std::string address;
        int error;
        const char* words;
    } cases[] = {
        {"tcp://127.0.0.1:" + std::to_string(closedPort), ECONNREFUSED, "refused the connection"},
        {"rfc2217://" + std::string(70, 'a') + ".invalid:2217", EADDRNOTAVAIL, "Unknown host"},
        {"telnet://127.0.0.1", EINVAL, "has no port"},
        {silent.address("rfc2217"), ETIMEDOUT, "did not answer the telnet negotiation"},
    };
    for (const auto& [address, error, words] : cases) {
        Device device(address, "");
        EXPECT_EQ(open(device), false) << address;
        EXPECT_EQ(serial.lastError(), error) << address;
        EXPECT_NE(serial.openFailure().find(words), std::string::npos) << serial.openFailure();
        EXPECT_EQ(device.getPort(), nullptr);
    }
}

TEST_F(NetworkPortTest, AServerThatRefusesComPortIsNotTaken)
{
    Device refusing(server.address("rfc2217"), "");
    startOpen(refusing);
    serverAgrees(false);
    ASSERT_EQ(awaitOpened(), false);
    EXPECT_NE(serial.openFailure().find("telnet://"), std::string::npos) << serial.openFailure();
}

TEST_F(NetworkPortTest, ClosingWhileOpeningCancelsWithoutAWord)
{
    Device device(server.address("rfc2217"), "");
    startOpen(device);
    serverReads(15);
    serial.closePort(&device);
    EXPECT_FALSE(serial.isOpening());
    server.write(agreeAll + byteString({IAC, DO, 44}));
    pumpUntil([] { return false; }, 100ms);
    EXPECT_FALSE(opened.has_value());
    EXPECT_EQ(device.getPort(), nullptr);
}
