// The messages sent to one device, newest last: at most `limit`, never the same twice in a
// row, recalled older and newer from a cursor as a shell does, and kept in a file across
// runs. A file that is missing starts it empty; one that can't be read or is damaged costs
// only the history, and load() says so in a line for the status bar.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class Timer;

class CommandHistory {
public:
    static constexpr std::size_t limit = 1000;
    // How long after a send the file is written, so a burst of sends costs one write.
    static constexpr double saveDelaySeconds = 1.0;

    // `path` is the file it is kept in; an empty path keeps it in memory only.
    explicit CommandHistory(std::string path);
    CommandHistory(const CommandHistory&) = delete;
    CommandHistory& operator=(const CommandHistory&) = delete;
    // Writes out what was added since the last save.
    ~CommandHistory();

    // Replaces what it holds with the file's messages. "" when they were read or there is no
    // file yet; otherwise the status line saying the history was lost and why.
    std::string load();
    // A message was sent. Kept unless it equals the newest; recall starts again from the
    // newest either way. The file is written saveDelaySeconds later.
    void add(std::string message);
    // One step back from the cursor: the message, or nothing when there is none older. The
    // first step from the newest remembers `editing`, what the editor held, for newer().
    std::optional<std::string> older(std::string_view editing = {});
    // One step forward: the message, what the editor held once past the newest, or nothing
    // when the cursor is not on a message.
    std::optional<std::string> newer();
    // The cursor goes past the newest again (the editor was changed or sent).
    void resetRecall();

    // Oldest first.
    const std::deque<std::string>& messages() const { return messages_; }
    // At most `count`, newest first: Port ▸ Recent Messages.
    std::vector<std::string> recent(std::size_t count) const;
    // Empties it and writes that at once; "" or the status line of a failed write.
    std::string forget();
    // Writes the file now if anything changed; "" or the status line of a failed write.
    std::string save();
    // Hears the status line of a save that failed after a send (nobody waits for that one).
    void setStatusHandler(std::function<void(std::string)> handler) { onStatus_ = std::move(handler); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::deque<std::string> messages_;
    std::size_t cursor_ = 0;
    std::string editing_;
    bool dirty_ = false;
    std::shared_ptr<Timer> saveTimer_;
    std::function<void(std::string)> onStatus_;
};
