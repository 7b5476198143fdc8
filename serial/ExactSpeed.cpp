#include "serial/ExactSpeed.h"

#ifdef __linux__

// Deliberately not <termios.h>: its struct termios is glibc's, not the kernel's.
#include <asm/termbits.h>
#include <sys/ioctl.h>

bool ExactSpeed::set(int fd, unsigned rate)
{
    termios2 options{};
    if (::ioctl(fd, TCGETS2, &options) != 0)
        return false;
    options.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    options.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    options.c_ispeed = rate;
    options.c_ospeed = rate;
    return ::ioctl(fd, TCSETS2, &options) == 0;
}

bool ExactSpeed::read(int fd, unsigned& input, unsigned& output)
{
    termios2 options{};
    if (::ioctl(fd, TCGETS2, &options) != 0)
        return false;
    input = options.c_ispeed;
    output = options.c_ospeed;
    return true;
}

#else

#include <termios.h>

#ifdef __APPLE__

#include <IOKit/serial/ioss.h>
#include <sys/ioctl.h>

// tcsetattr refuses most rates that are not a B constant; IOSSIOSPEED hands the rate to the
// driver as it is. It must come after tcsetattr, which would put the old speed back.
bool ExactSpeed::set(int fd, unsigned rate)
{
    speed_t speed = rate;
    return ::ioctl(fd, IOSSIOSPEED, &speed) == 0;
}

#else

bool ExactSpeed::set(int fd, unsigned rate)
{
    termios options{};
    if (::tcgetattr(fd, &options) != 0)
        return false;
    if (::cfsetispeed(&options, rate) != 0 || ::cfsetospeed(&options, rate) != 0)
        return false;
    return ::tcsetattr(fd, TCSANOW, &options) == 0;
}

#endif

bool ExactSpeed::read(int fd, unsigned& input, unsigned& output)
{
    termios options{};
    if (::tcgetattr(fd, &options) != 0)
        return false;
    input = static_cast<unsigned>(::cfgetispeed(&options));
    output = static_cast<unsigned>(::cfgetospeed(&options));
    return true;
}

#endif
