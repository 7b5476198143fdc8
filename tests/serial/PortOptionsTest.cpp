#include "serial/PortOptions.h"

#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A cooked terminal, as a device usually comes: line editing, echo, translation, and
// every flag the settings may have to clear switched on.
termios cookedTerminal()
{
    termios options{};
    options.c_iflag = ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK | IGNBRK | IXON | IXOFF | IXANY | INPCK;
    options.c_oflag = OPOST | ONLCR;
    options.c_cflag = CS8 | PARODD | CSTOPB | HUPCL;
    options.c_lflag = ICANON | ECHO | ECHOE | ECHONL | ISIG | IEXTEN;
    options.c_cc[VMIN] = 1;
    options.c_cc[VTIME] = 5;
    return options;
}

} // namespace

TEST(PortOptions, EveryPacketAndFlowTypeGivesItsFlagsLinesAndRawMode)
{
    // Out-of-range choices fall back to the first.
    const struct {
        int flag;
        const char* line;
        tcflag_t set;
    } packets[] = {{0, "SETTING Packet N81", CS8 | PARODD}, {1, "SETTING Packet E71", CS7 | PARENB},
        {2, "SETTING Packet O71", CS7 | PARENB | PARODD}, {3, "SETTING Packet N81", CS8 | PARODD},
        {-1, "SETTING Packet N81", CS8 | PARODD}};
    const struct {
        int flag;
        const char* line;
        bool xonXoff;
        bool crtscts;
    } flows[] = {{0, "SETTING Flow None", false, false}, {1, "SETTING Flow XON/XOFF", true, false},
        {2, "SETTING Flow Hardware", false, true}, {-1, "SETTING Flow None", false, false}};
    for (const auto& packet : packets) {
        for (const auto& flow : flows) {
            SCOPED_TRACE(std::string(packet.line) + " / " + flow.line);
            termios options = cookedTerminal();
            const LogCapture quiet; // the lines are the log lines test's
            PortOptions::apply(options, 9600, packet.flag, flow.flag);

            const tcflag_t format = CSIZE | PARENB | PARODD | CSTOPB;
            EXPECT_EQ(options.c_cflag & format, packet.set);
            EXPECT_EQ((options.c_cflag & CRTSCTS) != 0, flow.crtscts);
            EXPECT_EQ(options.c_cflag & (CLOCAL | CREAD | HUPCL), CLOCAL | CREAD | HUPCL);
            EXPECT_EQ(options.c_iflag & (IXON | IXOFF), flow.xonXoff ? IXON | IXOFF : 0u);
            // Raw: nothing in the data is interpreted, translated, echoed or held back.
            EXPECT_EQ(options.c_iflag & ~tcflag_t{IXON | IXOFF}, tcflag_t{INPCK});
            EXPECT_EQ(options.c_oflag & OPOST, 0u);
            EXPECT_EQ(options.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
            EXPECT_TRUE(options.c_cc[VMIN] == 0 && options.c_cc[VTIME] == 0);
        }
    }
}
