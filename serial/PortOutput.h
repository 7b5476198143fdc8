// The output a serial port has yet to write, shared by the caller's thread and a repeat's own:
// each use takes the lock, so one writer's bytes never go out in the middle of another's. The
// front may hold the rest of a repeated message the device did not take; the repeat writes it
// at its next turns, and the caller's writes take it first like any bytes at the front.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

class PortOutput {
public:
    void append(std::string_view bytes);
    std::size_t size() const;
    // One write of the front that never waits: the bytes fd took, or minus the errno
    // (-EAGAIN when it takes nothing now).
    long write(int fd);
    // Empties it; answers how many bytes that dropped.
    std::size_t clear();

    struct Turn {
        long written; // as write() answers
        bool sent;    // message went out, whole or with its rest queued
    };
    // A repeat's tick: the rest of its last message if some waits, else the whole message
    // when nothing else waits, else nothing (-EAGAIN).
    Turn repeatTurn(int fd, std::string_view message);

private:
    long writeLocked(int fd, std::size_t count);

    mutable std::mutex lock_;
    std::string bytes_;
    std::size_t repeatRest_ = 0; // bytes at the front that are a repeat's
};
