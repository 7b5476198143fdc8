#include "app/connection/PortReporter.h"

#include "app/stream/ReceivedStream.h"
#include "devices/Device.h"
#include "tests/support/FakePort.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

// The events a stream heard, one word each: "Opened cu.a 9600 none-8-1 None", "Gone cu.a 5".
struct Events : StreamConsumer {
    void received(std::string_view, const Moment&) override {}
    void portEvent(const PortEvent& event) override
    {
        static const char* const kinds[] = {"Opened", "Closed", "Gone", "Reconnected", "Note"};
        heard.push_back(std::string(kinds[static_cast<int>(event.kind)]) + " " + event.name +
                        (event.settingsTitle.empty() ? "" : " " + event.settingsTitle) +
                        (event.error ? " " + std::to_string(event.error) : ""));
    }
    std::vector<std::string> heard;
};

class PortReporterTest : public testing::Test {
protected:
    PortReporterTest() { stream.add(events); }
    ~PortReporterTest() override { stream.remove(events); }

    static void open(Device& device) { device.setPort(std::make_unique<FakePort>(5)); }

    Events events;
    ReceivedStream stream;
    PortReporter reporter{stream};
    Device a{"cu.a"};
    Device b{"cu.b"};
};

TEST_F(PortReporterTest, AnOpenPortIsToldOnceWithItsSettings)
{
    reporter.follow(&a);
    reporter.follow(nullptr);
    EXPECT_TRUE(events.heard.empty()) << "no port, no news";
    open(a);
    reporter.follow(&a);
    reporter.follow(&a);
    EXPECT_EQ(events.heard, std::vector<std::string>{"Opened cu.a 9600 none-8-1 None"});
    EXPECT_TRUE(reporter.toldOpen());
    ASSERT_NE(stream.portOpen(), nullptr);
    EXPECT_EQ(stream.portOpen()->settings, a.getSettings());
}

TEST_F(PortReporterTest, APortClosedOrLeftForAnotherIsClosed)
{
    open(a);
    reporter.follow(&a);
    open(b);
    reporter.follow(&b);
    b.releasePort();
    reporter.follow(&b);
    EXPECT_EQ(events.heard, (std::vector<std::string>{"Opened cu.a 9600 none-8-1 None", "Closed cu.a",
                                                      "Opened cu.b 9600 none-8-1 None", "Closed cu.b"}));
}

TEST_F(PortReporterTest, APortThatFailedIsGoneWithItsErrorAndItsReturnIsAReconnect)
{
    open(a);
    reporter.follow(&a);
    a.setReadError(EIO);
    reporter.follow(&a);
    open(a);
    reporter.follow(&a);
    EXPECT_EQ(events.heard, (std::vector<std::string>{"Opened cu.a 9600 none-8-1 None", "Gone cu.a 5",
                                                      "Reconnected cu.a 9600 none-8-1 None"}));
}

TEST_F(PortReporterTest, ADeviceTheWindowNoLongerHasIsGoneAndAnotherOpeningThenIsNoReconnect)
{
    open(a);
    reporter.follow(&a);
    reporter.follow(nullptr);
    EXPECT_FALSE(reporter.toldOpen());
    EXPECT_EQ(stream.portOpen(), nullptr);
    open(b);
    reporter.follow(&b);
    EXPECT_EQ(events.heard, (std::vector<std::string>{"Opened cu.a 9600 none-8-1 None", "Gone cu.a",
                                                      "Opened cu.b 9600 none-8-1 None"}));
}

} // namespace
