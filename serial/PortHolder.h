// Which other program has a serial device open, so a refusal can name it. Linux tells through
// the descriptor links under /proc; elsewhere, or when /proc shows nobody, there is no answer.
// Only asked after an open was refused, so reading every process's table is affordable.
#pragma once

#include <optional>
#include <string>

struct PortHolder {
    std::string command; // as the kernel names the process ("minicom")
    int pid = 0;

    // A process holding `path` (a link is followed to the device) open. Another process is
    // preferred to this one, which may hold it under another name.
    static std::optional<PortHolder> find(const std::string& path, const std::string& procFolder = "/proc");
};
