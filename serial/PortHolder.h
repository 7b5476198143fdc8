// Which other program holds a serial device, so a refusal can name it. Linux tells through
// /proc: the lock table names who locked it, else the descriptor links show who has it open;
// elsewhere, or when /proc shows nobody, there is no answer. Only asked after an open was
// refused, so reading every process's table is affordable.
#pragma once

#include <optional>
#include <string>

struct PortHolder {
    std::string command; // as the kernel names the process ("minicom")
    int pid = 0;

    // The process holding `path` (a link is followed to the device). Among those that merely
    // have it open, another process is preferred to this one, which may hold it under another name.
    static std::optional<PortHolder> find(const std::string& path, const std::string& procFolder = "/proc");
    // Another process that has `path` open, locked or not; nothing when none does or it can't
    // be told. Whoever shares a port with programs that don't lock must leave its settings be.
    static std::optional<PortHolder> otherUser(const std::string& path, const std::string& procFolder = "/proc");
};
