#include "serial/NetworkModemLines.h"

#include "serial/NetworkPort.h"

#include <cerrno>

bool NetworkModemLines::usable(int& error) const
{
    if (!port_.hasModemLines()) {
        error = ENOTSUP;
        return false;
    }
    if (port_.descriptor() == -1 || port_.isHungUp()) {
        error = EIO;
        return false;
    }
    return true;
}

bool NetworkModemLines::get(unsigned& lines, int& error)
{
    if (!usable(error))
        return false;
    lines = port_.lines();
    return true;
}

bool NetworkModemLines::set(unsigned lines, bool on, int& error)
{
    if (!usable(error))
        return false;
    port_.setLines(lines & (Dtr | Rts), on);
    return true;
}

bool NetworkModemLines::setBreak(bool on, int& error)
{
    if (!usable(error))
        return false;
    port_.setBreak(on);
    return true;
}
