#include "app/startup/StartValues.h"

#include "devices/CharacterFormat.h"

#include <gtest/gtest.h>

using Parity = CharacterFormat::Parity;

TEST(StartValuesTest, FormatsReadAsLettersOrAsThePopUpNamesThem)
{
    const std::pair<const char*, CharacterFormat> cases[] = {
        {"8N1", {8, Parity::None, 1}}, {"7e1", {7, Parity::Even, 1}}, {"5O2", {5, Parity::Odd, 2}},
        {"8M1", {8, Parity::Mark, 1}}, {"6S2", {6, Parity::Space, 2}}, {"even-7-1", {7, Parity::Even, 1}},
        {"NONE-8-2", {8, Parity::None, 2}}};
    for (const auto& [text, format] : cases) {
        std::string error;
        EXPECT_EQ(StartValues::format(text, true, error), format.toFlag()) << text << ": " << error;
    }
}

TEST(StartValuesTest, BadFormatsAndMarkWithoutItAreRefusedInWords)
{
    for (const char* text : {"9N1", "4N1", "8X1", "8N3", "8N", "8N1x", "", "even-9-1", "odd-7"}) {
        std::string error;
        EXPECT_FALSE(StartValues::format(text, true, error)) << text;
        EXPECT_NE(error.find("data bits 5-8"), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(StartValues::format("8S1", false, error));
    EXPECT_NE(error.find("no mark or space"), std::string::npos);
}

TEST(StartValuesTest, RatesAreWholeNumbersInRange)
{
    std::string error;
    EXPECT_EQ(StartValues::baud("250000", 50, 4000000, error), 250000);
    for (const char* text : {"49", "4000001", "96OO", "-9600", "", "1e5"}) {
        EXPECT_FALSE(StartValues::baud(text, 50, 4000000, error)) << text;
        EXPECT_NE(error.find("from 50 to 4000000"), std::string::npos);
    }
}

TEST(StartValuesTest, NamesAndTheirSpellings)
{
    std::string error;
    EXPECT_EQ(StartValues::flow("HW", error), 2);
    EXPECT_EQ(StartValues::flow("xonxoff", error), 1);
    EXPECT_EQ(StartValues::view("dec", error), ViewTypeDecimal);
    EXPECT_EQ(StartValues::view("Hexadecimal", error), ViewTypeHex);
    EXPECT_EQ(StartValues::encoding("UTF-8", error), TextEncodingUtf8);
    EXPECT_FALSE(StartValues::flow("rts", error));
    EXPECT_EQ(error, "\"rts\" is not a flow control; use none, xon or hw");
    EXPECT_FALSE(StartValues::view("binary", error));
    EXPECT_FALSE(StartValues::encoding("ascii", error));
}

TEST(StartValuesTest, OnlyNetworkAddressesCanBeWrongBeforeOpening)
{
    std::string error;
    EXPECT_TRUE(StartValues::port("ttyUSB0", error));
    EXPECT_TRUE(StartValues::port("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", error));
    EXPECT_TRUE(StartValues::port("rfc2217://[::1]:2217", error));
    EXPECT_FALSE(StartValues::port("rfc2217://rack", error));
    EXPECT_NE(error.find("has no port"), std::string::npos);
}
