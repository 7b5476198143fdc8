#include "serial/ComPortClient.h"

#include "tests/support/byteString.h"

#include <gtest/gtest.h>

TEST(ComPortClientTest, CommandsAreCodeAndValueWithTheRateInNetworkOrder)
{
    ComPortClient client;
    EXPECT_EQ(client.setBaudRate(57600), byteString({1, 0, 0, 0xE1, 0x00}));
    EXPECT_EQ(client.setBaudRate(4000000), byteString({1, 0x00, 0x3D, 0x09, 0x00}));
    EXPECT_EQ(client.setParity(ComPortClient::ParityEven), byteString({3, 3}));
    EXPECT_EQ(client.setControl(ComPortClient::RtsOff), byteString({5, 12}));
    EXPECT_EQ(ComPortClient::setModemStateMask(0xF0), byteString({11, 0xF0}));
    EXPECT_EQ(ComPortClient::purgeData(ComPortClient::PurgeBoth), byteString({12, 3}));
}

TEST(ComPortClientTest, AnswersAndNotificationsTellTheRemotePortAndItIsSettledOnceEverySettingIsAnswered)
{
    ComPortClient client;
    client.setBaudRate(57600);
    client.setDataSize(7);
    client.setControl(ComPortClient::DtrOn); // not a setting to wait for
    EXPECT_FALSE(client.settled());
    EXPECT_TRUE(client.take(byteString({101, 0, 0, 0xE1, 0x00})));
    EXPECT_FALSE(client.settled());
    EXPECT_TRUE(client.take(byteString({102, 7})));
    EXPECT_TRUE(client.settled());
    EXPECT_EQ(client.remote().baud, 57600u);
    EXPECT_EQ(client.remote().dataSize, 7);

    client.take(byteString({105, ComPortClient::DtrOff}));
    client.take(byteString({105, ComPortClient::RtsOn}));
    client.take(byteString({105, ComPortClient::FlowHardware}));
    client.take(byteString({107, ComPortClient::Cts | ComPortClient::Dcd | 0x01}));
    client.take(byteString({106, 0x10}));
    EXPECT_EQ(client.remote().dtr, false);
    EXPECT_EQ(client.remote().rts, true);
    EXPECT_EQ(client.remote().flow, ComPortClient::FlowHardware);
    EXPECT_EQ(client.remote().modemState, ComPortClient::Cts | ComPortClient::Dcd | 0x01);
    EXPECT_EQ(client.remote().lineState, 0x10);
}

TEST(ComPortClientTest, MalformedOrClientSideSubnegotiationsChangeNothing)
{
    ComPortClient client;
    client.setBaudRate(9600);
    for (const std::string& payload : {byteString({}), byteString({101, 0, 0}), byteString({102}), byteString({102, 7, 7}), byteString({1, 0, 0, 0x25, 0x80}),
                                       byteString({199, 1}), byteString({105, 200})})
        EXPECT_FALSE(client.take(payload)) << payload.size();
    EXPECT_FALSE(client.remote().baud.has_value());
    EXPECT_FALSE(client.remote().dataSize.has_value());
    EXPECT_FALSE(client.settled());
}
