// The modem lines of a real terminal device, through TIOCMGET, TIOCMBIS, TIOCMBIC, TIOCSBRK
// and TIOCCBRK on its descriptor (which it does not own). The same calls on Linux and macOS.
#pragma once

#include "serial/ModemLines.h"

class TermiosModemLines final : public ModemLines {
public:
    explicit TermiosModemLines(int fd) : fd_(fd) {}

    bool get(unsigned& lines, int& error) override;
    bool set(unsigned lines, bool on, int& error) override;
    bool setBreak(bool on, int& error) override;

private:
    int fd_;
};
