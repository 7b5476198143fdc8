// The lines that scrolled off the top of a console, newest first, at most `capacity` of them:
// the oldest goes when a new one comes to a full store. A line keeps its cells up to its last
// one that is not a default blank, so a short line costs little.
#pragma once

#include "app/console/ConsoleCell.h"

#include <cstddef>
#include <deque>
#include <vector>

class ConsoleScrollback {
public:
    explicit ConsoleScrollback(std::size_t capacity) : capacity_(capacity) {}

    // blank: the cell a line is padded with; trailing cells equal to it are not kept.
    void push(std::vector<ConsoleCell> line, const ConsoleCell& blank);
    // Takes the newest line back (the screen grew taller); false when there is none.
    bool pop(std::vector<ConsoleCell>& line);
    // index 0 is the newest line; cells past a line's end are blanks.
    const std::vector<ConsoleCell>& line(std::size_t index) const { return lines_[lines_.size() - 1 - index]; }
    std::size_t size() const { return lines_.size(); }
    std::size_t capacity() const { return capacity_; }
    void clear() { lines_.clear(); }

private:
    std::size_t capacity_;
    std::deque<std::vector<ConsoleCell>> lines_;
};
