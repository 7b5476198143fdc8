#include "app/stream/ReceivedStream.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// Writes what it hears into a shared transcript, and may act on the stream while told.
struct Recorder : StreamConsumer {
    Recorder(std::string who, std::string& into) : name(std::move(who)), transcript(into) {}
    void received(std::string_view bytes, const Moment&) override
    {
        transcript += name + ":" + std::string(bytes) + " ";
        if (onReceived)
            onReceived();
    }
    void portEvent(const PortEvent& event) override { transcript += name + ":event" + event.name + " "; }
    std::string name;
    std::string& transcript;
    std::function<void()> onReceived;
};

PortEvent event(PortEvent::Kind kind, std::string name)
{
    PortEvent event;
    event.kind = kind;
    event.name = std::move(name);
    return event;
}

} // namespace

TEST(ReceivedStreamTest, EveryConsumerHearsBytesAndEventsOnceInTheOrderTheyRegistered)
{
    std::string transcript;
    Recorder capture("capture", transcript), history("history", transcript);
    ReceivedStream stream;
    stream.add(capture);
    stream.add(history);
    stream.add(capture);
    stream.deliver("ab", Moment{});
    stream.deliver("", Moment{});
    stream.announce(event(PortEvent::Kind::Opened, "X"));
    EXPECT_EQ(transcript, "capture:ab history:ab capture:eventX history:eventX ");
}

TEST(ReceivedStreamTest, AConsumerRemovedWhileTheStreamTellsIsNotToldAgainAndOneAddedWaitsForTheNext)
{
    std::string transcript;
    Recorder first("first", transcript), second("second", transcript), late("late", transcript);
    ReceivedStream stream;
    stream.add(first);
    stream.add(second);
    first.onReceived = [&] {
        stream.remove(second);
        stream.remove(first);
        stream.add(late);
    };
    stream.deliver("a", Moment{});
    stream.deliver("b", Moment{});
    EXPECT_EQ(transcript, "first:a late:b ");
}

TEST(ReceivedStreamTest, AConsumerAddedWhileThePortIsOpenHearsFirstThatItOpenedAndOneAddedOnceClosedNothing)
{
    std::string transcript;
    Recorder late("late", transcript), later("later", transcript);
    ReceivedStream stream;
    stream.announce(event(PortEvent::Kind::Opened, "X"));
    stream.add(late);
    stream.announce(event(PortEvent::Kind::Closed, "Y"));
    stream.add(later);
    EXPECT_EQ(transcript, "late:eventX late:eventY ");
}
