// Character formats beyond the three named ones, as the record keeps them and the driver
// asks the terminal for them; their titles in the pop-up are the settings pop-ups test's.
#include "devices/CharacterFormat.h"
#include "serial/PortOptions.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A pty takes whatever CSIZE, parity and stop bits it is given but means nothing by them, so
// this checks the termios the driver hands to tcsetattr.
TEST(LineFormats, EveryFormatAsksForItsBitsAndLineAndTheNamedOnesKeepTheirFlags)
{
    using Parity = CharacterFormat::Parity;
    constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
#ifdef CMSPAR
    constexpr tcflag_t stick = CMSPAR;
#else
    constexpr tcflag_t stick = 0;
#endif
    for (int bits = 5; bits <= 8; ++bits) {
        for (const Parity parity : {Parity::None, Parity::Even, Parity::Odd, Parity::Mark, Parity::Space}) {
            for (int stops = 1; stops <= 2; ++stops) {
                const CharacterFormat format{bits, parity, stops};
                const int flag = format.toFlag();
                SCOPED_TRACE(format.title() + " flag " + std::to_string(flag));
                EXPECT_EQ(CharacterFormat::fromFlag(flag), format);
                const bool stickParity = parity == Parity::Mark || parity == Parity::Space;
                if (stickParity && !stick)
                    continue; // the dialog does not offer them here

                // A device left with every format bit set by some other program.
                termios options{};
                options.c_cflag = CS8 | CSTOPB | PARENB | PARODD | stick;
                const LogCapture quiet; // the lines are the log lines test's
                PortOptions::apply(options, 9600, flag, 0);
                EXPECT_EQ(options.c_cflag & CSIZE, sizes[bits - 5]);
                EXPECT_EQ((options.c_cflag & CSTOPB) != 0, stops == 2);
                EXPECT_EQ((options.c_cflag & PARENB) != 0, parity != Parity::None);
                // "none-8-1" has always left PARODD (and CMSPAR) as the device had them:
                // without PARENB they mean nothing.
                if (flag != 0) {
                    EXPECT_EQ((options.c_cflag & stick) != 0, stickParity);
                    EXPECT_EQ((options.c_cflag & PARODD) != 0, parity == Parity::Odd || parity == Parity::Mark);
                }
            }
        }
    }
    const int named[] = {CharacterFormat{8, Parity::None, 1}.toFlag(), CharacterFormat{7, Parity::Even, 1}.toFlag(),
                         CharacterFormat{7, Parity::Odd, 1}.toFlag()};
    EXPECT_EQ(std::vector(std::begin(named), std::end(named)), (std::vector{0, 1, 2})) << "the named formats keep their flags";
    EXPECT_EQ(CharacterFormat::fromFlag(7), CharacterFormat::fromFlag(0)) << "no format: none-8-1, as before";
}
