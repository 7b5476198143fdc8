#include "app/connection/PortReporter.h"

#include "app/stream/ReceivedStream.h"
#include "devices/Device.h"
#include "tests/support/FakePort.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

// The events a stream heard, one line each: "Opened cu.a 9600 none-8-1 None", "Gone cu.a 5".
struct Events : StreamConsumer {
    void received(std::string_view, const Moment&) override {}
    void portEvent(const PortEvent& event) override
    {
        static const char* const kinds[] = {"Opened", "Closed", "Gone", "Reconnected", "Note"};
        heard += std::string(kinds[static_cast<int>(event.kind)]) + " " + event.name +
                 (event.settingsTitle.empty() ? "" : " " + event.settingsTitle) +
                 (event.error ? " " + std::to_string(event.error) : "") + "\n";
    }
    std::string heard;
};

TEST(PortReporter, EachChangeOfThePortIsToldOnceInOrder)
{
    Events events;
    ReceivedStream stream;
    stream.add(events);
    PortReporter reporter(stream);
    Device a("cu.a"), b("cu.b");
    const auto open = [](Device& device) { device.setPort(std::make_unique<FakePort>(5)); };
    // Each step twice: what did not change is no news.
    const auto follow = [&](const Device* device) {
        reporter.follow(device);
        reporter.follow(device);
    };
    follow(&a); // not open
    open(a);
    follow(&a);
    EXPECT_TRUE(reporter.toldOpen());
    open(b);
    follow(&b); // the window left a for b
    b.releasePort();
    follow(&b);
    open(a);
    follow(&a);
    a.setReadError(EIO);
    follow(&a);
    open(a);
    follow(&a);
    follow(nullptr); // the device is no more
    open(b);
    follow(&b);
    EXPECT_EQ(events.heard, "Opened cu.a 9600 none-8-1 None\nClosed cu.a\nOpened cu.b 9600 none-8-1 None\nClosed cu.b\n"
                            "Opened cu.a 9600 none-8-1 None\nGone cu.a 5\nReconnected cu.a 9600 none-8-1 None\n"
                            "Gone cu.a\nOpened cu.b 9600 none-8-1 None\n");
    ASSERT_NE(stream.portOpen(), nullptr);
    EXPECT_EQ(stream.portOpen()->settings, b.getSettings());
    stream.remove(events);
}

} // namespace
