// Where each line of a received history starts in the stored bytes, how long it is, whether it
// is a marker, and when its first byte came: about six bytes a line, so the index of a log
// stays within a tenth of its bytes. Lines have absolute numbers that never change; the oldest
// go from the front. Full blocks are shared between copies, so a copy costs a pointer a block.
#pragma once

#include "toolkit/Moment.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

class LineIndex {
public:
    static constexpr std::size_t blockLines = 256;
    // Longer lines than this cannot be indexed; the history cuts them well before.
    static constexpr std::uint32_t maxLength = 0x7FFF;

    struct Entry {
        std::uint64_t position = 0; // of its first byte among the stored bytes
        std::uint32_t length = 0;   // bytes; a marker has none
        bool marker = false;
        Moment at;
    };

    std::uint64_t first() const { return first_; }
    std::uint64_t end() const { return end_; }
    bool empty() const { return first_ == end_; }

    // line must lie in [first(), end()).
    Entry at(std::uint64_t line) const;
    // Calls visit(number, entry) for each line in [from, to) in order, while it answers true.
    template <typename Visit>
    void forEach(std::uint64_t from, std::uint64_t to, Visit visit) const;

    // A new last line starting at position. A stamp earlier than the last line's is taken as
    // the last line's, so stamps never go back.
    void add(std::uint64_t position, const Moment& at, bool marker);
    // The last line is count bytes longer; it must stay within maxLength.
    void extendLast(std::uint32_t count);
    // Drops the lines that start before position; a marker at position stays.
    void dropBefore(std::uint64_t position);
    void clear();

    std::size_t memoryBytes() const { return blocks_.size() * blockCost; }

private:
    struct Block {
        std::uint64_t firstLine = 0;
        std::uint64_t position = 0; // of the block's first line, dropped or not
        Moment base;                // its first line's stamp; the others are microseconds after it
        std::uint32_t count = 0;    // lines added; those before first_ are gone
        std::array<std::uint16_t, blockLines> lengths; // the top bit marks a marker
        std::array<std::uint32_t, blockLines> micros;
    };
    // A block, its share count and its place in the deque.
    static constexpr std::size_t blockCost = sizeof(Block) + 16 + sizeof(std::shared_ptr<Block>);
    static constexpr std::uint16_t markerBit = 0x8000;

    static std::uint64_t positionIn(const Block& block, std::size_t index);
    static Moment stampIn(const Block& block, std::size_t index);
    std::size_t blockIndexOf(std::uint64_t line) const;
    // The last block, copied first if a copy of the index shares it.
    Block& lastForWriting();
    bool fits(const Block& block, const Moment& at) const;

    std::deque<std::shared_ptr<Block>> blocks_;
    std::uint64_t first_ = 0;
    std::uint64_t end_ = 0;
    Moment last_;                 // the last line's stamp
    std::uint32_t lastMicros_ = 0; // and its offset from its block's base
};

template <typename Visit>
void LineIndex::forEach(std::uint64_t from, std::uint64_t to, Visit visit) const
{
    if (from < first_)
        from = first_;
    if (to > end_)
        to = end_;
    if (from >= to)
        return;
    std::size_t blockIndex = blockIndexOf(from);
    const Block* block = blocks_[blockIndex].get();
    std::size_t index = static_cast<std::size_t>(from - block->firstLine);
    Entry entry;
    entry.position = positionIn(*block, index);
    for (std::uint64_t line = from; line < to; ++line, ++index) {
        if (index == block->count) {
            block = blocks_[++blockIndex].get();
            index = 0;
            entry.position = block->position;
        }
        const std::uint16_t length = block->lengths[index];
        entry.length = length & ~markerBit;
        entry.marker = (length & markerBit) != 0;
        entry.at = stampIn(*block, index);
        if (!visit(line, static_cast<const Entry&>(entry)))
            return;
        entry.position += entry.length;
    }
}
