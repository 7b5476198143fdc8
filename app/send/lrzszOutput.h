// Reads what the lrzsz programs write to standard error with -vv: progress lines rewritten
// in place with carriage returns ("Bytes Sent:  9216/ 300000   BPS:...", "Ymodem
// sectors/kbytes sent: 12/ 1k", "Blocks received: 7"), the file being moved ("Sending:
// name", "Receiving: name") and messages ("Transfer complete", "sz: cannot open ...").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class LrzszOutput {
public:
    // Takes more of the output; pieces may end anywhere, even inside a line.
    void take(std::string_view bytes);

    // Bytes of the current file, as the last progress line put it.
    std::uint64_t done() const { return done_; }
    // Its size, when the line gave it.
    std::optional<std::uint64_t> total() const { return total_; }
    // Whether the far end has answered: some data has moved, or a file has been announced.
    bool answered() const { return answered_; }
    // Each file named by "Sending:" or "Receiving:", in order.
    const std::vector<std::string>& files() const { return files_; }
    // The last line that was no progress line, e.g. "Transfer complete".
    const std::string& lastMessage() const { return lastMessage_; }

private:
    void line(std::string_view text);

    std::string partial_;
    std::uint64_t done_ = 0;
    std::optional<std::uint64_t> total_;
    bool answered_ = false;
    std::vector<std::string> files_;
    std::string lastMessage_;
};
