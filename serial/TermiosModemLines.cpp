#include "serial/TermiosModemLines.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <termios.h>

namespace {

constexpr struct {
    unsigned line;
    int bit;
} bits[] = {
    {ModemLines::Dtr, TIOCM_DTR}, {ModemLines::Rts, TIOCM_RTS}, {ModemLines::Cts, TIOCM_CTS},
    {ModemLines::Dsr, TIOCM_DSR}, {ModemLines::Dcd, TIOCM_CAR}, {ModemLines::Ri, TIOCM_RNG},
};

bool answer(int result, int& error)
{
    error = result == 0 ? 0 : errno;
    return result == 0;
}

} // namespace

bool TermiosModemLines::get(unsigned& lines, int& error)
{
    int status = 0;
    if (!answer(::ioctl(fd_, TIOCMGET, &status), error))
        return false;
    lines = 0;
    for (const auto& [line, bit] : bits) {
        if (status & bit)
            lines |= line;
    }
    return true;
}

bool TermiosModemLines::set(unsigned lines, bool on, int& error)
{
    int status = 0;
    for (const auto& [line, bit] : bits) {
        if (lines & line)
            status |= bit;
    }
    return answer(::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &status), error);
}

bool TermiosModemLines::setBreak(bool on, int& error)
{
    return answer(::ioctl(fd_, on ? TIOCSBRK : TIOCCBRK), error);
}
