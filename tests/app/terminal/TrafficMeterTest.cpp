#include "app/terminal/TrafficMeter.h"

#include "tests/support/ManualClock.h"

#include <gtest/gtest.h>

namespace {

using Verdict = TrafficMeter::Verdict;

class TrafficMeterTest : public testing::Test {
protected:
    Verdict look(std::uint64_t received, bool paced = true) { return meter.look({received, 0, 0}, paced, clock.now()); }

    ManualClock clock;
    TrafficMeter meter;
};

TEST_F(TrafficMeterTest, OnlyAChangedCountIsRedrawnAPacedOneOnceASecondAndTheLastIsNotLost)
{
    EXPECT_EQ(look(0), Verdict::Same);
    EXPECT_EQ(look(1), Verdict::Show);
    clock.advance(std::chrono::milliseconds(999));
    EXPECT_EQ(look(2), Verdict::Wait);
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(look(2), Verdict::Show);
    EXPECT_EQ(look(2), Verdict::Same);
}

} // namespace
