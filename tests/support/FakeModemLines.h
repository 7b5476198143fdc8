// Modem lines without a device: a Wire holds what a port's lines would be, and every
// ModemLines made by factory() acts on it, as each opening of one real port would. An error
// makes every call fail, as a port without modem lines does.
#pragma once

#include "serial/ModemLines.h"

#include <memory>

class FakeModemLines : public ModemLines {
public:
    struct Wire {
        unsigned asserted = Dtr | Rts; // opening a port asserts both
        bool breaking = false;
        int breaks = 0;
        int error = 0;
        int reads = 0;
    };

    static Factory factory(std::shared_ptr<Wire> wire)
    {
        return [wire](int) { return std::make_unique<FakeModemLines>(wire); };
    }

    explicit FakeModemLines(std::shared_ptr<Wire> wire) : wire_(std::move(wire)) {}

    bool get(unsigned& lines, int& error) override
    {
        lines = wire_->asserted;
        ++wire_->reads;
        return ok(error);
    }
    bool set(unsigned lines, bool on, int& error) override
    {
        if (!ok(error))
            return false;
        wire_->asserted = on ? wire_->asserted | lines : wire_->asserted & ~lines;
        return true;
    }
    bool setBreak(bool on, int& error) override
    {
        if (!ok(error))
            return false;
        wire_->breaks += on && !wire_->breaking;
        wire_->breaking = on;
        return true;
    }

private:
    bool ok(int& error) const
    {
        error = wire_->error;
        return error == 0;
    }

    std::shared_ptr<Wire> wire_;
};
