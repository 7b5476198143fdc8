// Find in a received history: every match of a query in what each line shows, counted and
// located, with a current match to step through. Work comes in bounded steps that the window's
// timer drives, so a 64 MiB history never holds the window up: first a seek from the place the
// user is for the nearest match, then one pass over every line to count, then each line as it
// completes. The open last line is searched once it ends (it is still highlighted before).
#pragma once

#include "app/history/FindHits.h"
#include "app/history/HistoryQuery.h"
#include "app/history/HistoryStore.h"
#include "app/text/TextEncoding.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct FindMatch {
    std::uint64_t line = 0;
    std::size_t start = 0; // in the units of the line's shown text
    std::size_t length = 0;
    bool operator==(const FindMatch&) const = default;
};

class HistoryFinder {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    struct Request {
        std::u16string pattern;
        HistoryQuery::Options options;
        int viewType = 0;
        TextEncoding encoding = TextEncodingLatin1;
        // The current match becomes the first at or after origin, or with backward the last at
        // or before it; failing that the search wraps around.
        std::uint64_t origin = 0;
        bool backward = false;
    };

    explicit HistoryFinder(const HistoryStore& store);

    // A new search in place of any other: "" or why the pattern is no regular expression.
    // An empty pattern searches nothing.
    std::string start(const Request& request);
    void clear();
    // Stops searching: what was found stays, lines not yet searched (and later ones) are not.
    void cancel();

    // Searches until deadline or until nothing is left to search; answers whether work remains.
    bool step(Deadline deadline);
    bool hasWork() const;
    bool active() const { return query_ != nullptr; }
    bool searching() const { return active() && !cancelled_ && scanned_ < passEnd_; }
    bool cancelled() const { return cancelled_; }
    // Of the pass over the lines there were when the search started, 0 to 1.
    double progress() const;
    const std::string& error() const { return error_; }

    std::uint64_t count() const { return hits_.total(); }
    std::optional<FindMatch> current() const { return current_; }
    // The current match's place among all (0 for the first), once the pass has counted it.
    std::optional<std::uint64_t> currentIndex() const;
    // Moves the current match on (back), wrapping around; false when there is none.
    bool next();
    bool previous();
    // Every match on a line, the open one included: what a view highlights.
    std::vector<FindMatch> matchesOn(std::uint64_t line) const;
    // What the find bar says: "3 of 412", "412 found", "No matches", an error...
    std::string summary() const;

private:
    std::size_t countOn(std::uint64_t line) const;
    std::size_t countOn(const HistoryLine& line) const;
    // Keeps up with the lines the history dropped.
    void follow();
    // The nearest line with matches in [from, to), from its start or (backward) its end, until
    // deadline; lines looked at are remembered as looked at in lookedTo.
    std::optional<std::uint64_t> seekLine(std::uint64_t from, std::uint64_t to, bool backward, Deadline deadline,
                                          std::uint64_t& lookedTo) const;
    bool seek(Deadline deadline);
    bool pass(Deadline deadline);
    void found(std::uint64_t line, std::size_t matches);
    void setCurrent(std::uint64_t line, std::size_t ordinal, std::optional<std::uint64_t> index);
    // What next() and previous() do first: keep up with the history and a seek under way.
    // Answers their outcome when that decided it.
    std::optional<bool> beforeMoving();

    const HistoryStore& store_;
    std::unique_ptr<HistoryQuery> query_;
    Request request_;
    std::string error_;
    FindHits hits_;
    bool cancelled_ = false;
    bool seeking_ = false;
    std::uint64_t seekFrom_ = 0; // where the seek began: origin, or one past it going back
    std::uint64_t seekAt_ = 0;   // where it goes on
    std::uint64_t passFrom_ = 0; // where the pass began
    std::uint64_t passEnd_ = 0;  // the lines there were to search when it began
    std::uint64_t scanned_ = 0;  // lines before this one are counted
    // Lines the seek found without matches, which the pass then steps over.
    std::uint64_t skipFrom_ = 0;
    std::uint64_t skipTo_ = 0;
    std::uint64_t knownFirst_ = 0;
    std::optional<FindMatch> current_;
    std::size_t ordinal_ = 0; // of current_ among its line's matches
    mutable std::optional<std::uint64_t> index_;
    mutable std::u16string text_;
};
