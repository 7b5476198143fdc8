#include "serial/PortOptions.h"

#include "devices/CharacterFormat.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

#ifdef CMSPAR
constexpr tcflag_t stick = CMSPAR;
#else
constexpr tcflag_t stick = 0;
#endif

// A cooked terminal, as a device usually comes (or as some other program left it): line
// editing, echo, translation, and every flag the settings may have to clear switched on.
termios cookedTerminal()
{
    termios options{};
    options.c_iflag = ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK | IGNBRK | IXON | IXOFF | IXANY | INPCK;
    options.c_oflag = OPOST | ONLCR;
    options.c_cflag = CS8 | PARENB | PARODD | CSTOPB | HUPCL | stick;
    options.c_lflag = ICANON | ECHO | ECHOE | ECHONL | ISIG | IEXTEN;
    options.c_cc[VMIN] = 1;
    options.c_cc[VTIME] = 5;
    return options;
}

} // namespace

// Every character format, beyond the three named ones as the record keeps them, with every flow
// type. A pty takes whatever CSIZE, parity and stop bits it is given but means nothing by them,
// so this checks the termios the driver hands to tcsetattr.
TEST(PortOptions, EveryFormatAndFlowTypeGivesItsFlagsAndRawMode)
{
    using Parity = CharacterFormat::Parity;
    constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    const CharacterFormat plain{8, Parity::None, 1};
    std::vector<std::pair<CharacterFormat, int>> formats = {{plain, 3}, {plain, -1}}; // out of range: the first
    for (int bits = 5; bits <= 8; ++bits)
        for (const Parity parity : {Parity::None, Parity::Even, Parity::Odd, Parity::Mark, Parity::Space})
            for (int stops = 1; stops <= 2; ++stops)
                formats.emplace_back(CharacterFormat{bits, parity, stops}, CharacterFormat{bits, parity, stops}.toFlag());
    const struct {
        int flag;
        bool xonXoff, crtscts;
    } flows[] = {{0, false, false}, {1, true, false}, {2, false, true}, {-1, false, false}};
    for (const auto& [format, flag] : formats) {
        EXPECT_EQ(CharacterFormat::fromFlag(flag), format) << flag;
        const bool stickParity = format.parity == Parity::Mark || format.parity == Parity::Space;
        if (stickParity && !stick)
            continue; // the dialog does not offer them here
        for (const auto& flow : flows) {
            SCOPED_TRACE(format.title() + " flag " + std::to_string(flag) + " flow " + std::to_string(flow.flag));
            termios options = cookedTerminal();
            const LogCapture quiet; // the lines are the log lines test's
            PortOptions::apply(options, 9600, flag, flow.flag);
            EXPECT_EQ(options.c_cflag & CSIZE, sizes[format.dataBits - 5]);
            EXPECT_EQ((options.c_cflag & CSTOPB) != 0, format.stopBits == 2);
            EXPECT_EQ((options.c_cflag & PARENB) != 0, format.parity != Parity::None);
            // "none-8-1" has always left PARODD (and CMSPAR) as the device had them: without
            // PARENB they mean nothing.
            EXPECT_EQ((options.c_cflag & stick) != 0, format == plain ? stick != 0 : stickParity);
            EXPECT_EQ((options.c_cflag & PARODD) != 0, format == plain || format.parity == Parity::Odd || format.parity == Parity::Mark);
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
    const int named[] = {plain.toFlag(), CharacterFormat{7, Parity::Even, 1}.toFlag(), CharacterFormat{7, Parity::Odd, 1}.toFlag()};
    EXPECT_EQ(std::vector(std::begin(named), std::end(named)), (std::vector{0, 1, 2})) << "the named formats keep their flags";
    EXPECT_EQ(CharacterFormat::fromFlag(7), CharacterFormat::fromFlag(0)) << "no format: none-8-1, as before";
}
