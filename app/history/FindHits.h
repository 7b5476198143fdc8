// Which lines of a history hold matches of a find, and how many in all, in a fifth of a byte a
// line: a bit per line and a count per block of lines. Where the matches lie within a line is
// found again when asked (by the caller's countOn), so even a pattern that matches every
// character of 64 MiB keeps this small.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

class FindHits {
public:
    // Matches on one line, found again from its text.
    using CountOn = std::function<std::size_t(std::uint64_t line)>;

    // Lines must be added in increasing order.
    void add(std::uint64_t line, std::size_t matches);
    void clear();
    // Forgets the lines before first; countOn is asked about the lines kept in a block that
    // loses some, since the block's count covered them all.
    void dropBefore(std::uint64_t first, const CountOn& countOn);

    std::uint64_t total() const { return total_; }
    bool has(std::uint64_t line) const;
    // The nearest line holding matches after (before) the one given.
    std::optional<std::uint64_t> lineAfter(std::uint64_t line) const;
    std::optional<std::uint64_t> lineBefore(std::uint64_t line) const;
    std::optional<std::uint64_t> firstLine() const;
    std::optional<std::uint64_t> lastLine() const;
    // Matches on the lines before line.
    std::uint64_t matchesBefore(std::uint64_t line, const CountOn& countOn) const;

private:
    static constexpr std::size_t blockLines = 256;
    struct Block {
        std::uint32_t count = 0;
        std::array<std::uint64_t, blockLines / 64> bits{};
    };

    const Block* blockOf(std::uint64_t line) const;
    static std::uint64_t blockNumber(std::uint64_t line) { return line / blockLines; }

    std::deque<Block> blocks_;
    std::uint64_t firstBlock_ = 0; // the number of blocks_.front()
    std::uint64_t total_ = 0;
};
