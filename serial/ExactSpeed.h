// Line speeds given as plain numbers, for rates the system has no speed constant for.
// On Linux this goes through the kernel's termios2 interface (BOTHER), which glibc's
// <termios.h> can't be mixed with; on macOS through the IOSSIOSPEED ioctl; elsewhere the
// speed values are the rates themselves.
#pragma once

namespace ExactSpeed {

// Sets input and output speed of the open terminal `fd` to `rate` bits per second,
// leaving every other setting alone. False with errno set when the system refuses.
bool set(int fd, unsigned rate);
// Reads back the input and output speeds in bits per second.
bool read(int fd, unsigned& input, unsigned& output);

} // namespace ExactSpeed
