#include "app/history/LineIndex.h"

#include <chrono>
#include <limits>

namespace {

using std::chrono::duration_cast;
using std::chrono::microseconds;

// A wall clock that moved against the steady one (a jump, NTP slewing) by more than this
// starts a new block, so the wall stamps stay the ones the deliveries carried.
constexpr auto wallSkew = std::chrono::milliseconds(1);

} // namespace

std::uint64_t LineIndex::positionIn(const Block& block, std::size_t index)
{
    std::uint64_t position = block.position;
    for (std::size_t i = 0; i < index; ++i)
        position += block.lengths[i] & ~markerBit;
    return position;
}

Moment LineIndex::stampIn(const Block& block, std::size_t index)
{
    return block.base + microseconds(block.micros[index]);
}

std::size_t LineIndex::blockIndexOf(std::uint64_t line) const
{
    std::size_t low = 0, high = blocks_.size();
    while (high - low > 1) {
        const std::size_t middle = (low + high) / 2;
        (blocks_[middle]->firstLine <= line ? low : high) = middle;
    }
    return low;
}

LineIndex::Entry LineIndex::at(std::uint64_t line) const
{
    const Block& block = *blocks_[blockIndexOf(line)];
    const auto index = static_cast<std::size_t>(line - block.firstLine);
    const std::uint16_t length = block.lengths[index];
    return Entry{positionIn(block, index), static_cast<std::uint32_t>(length & ~markerBit), (length & markerBit) != 0,
                 stampIn(block, index)};
}

bool LineIndex::fits(const Block& block, const Moment& at) const
{
    if (block.count == blockLines)
        return false;
    const auto steady = at.steady - block.base.steady;
    const auto wall = at.wall - block.base.wall;
    const auto skew = duration_cast<microseconds>(wall) - duration_cast<microseconds>(steady);
    return duration_cast<microseconds>(steady).count() <= std::numeric_limits<std::uint32_t>::max()
        && skew <= wallSkew && skew >= -wallSkew;
}

LineIndex::Block& LineIndex::lastForWriting()
{
    std::shared_ptr<Block>& last = blocks_.back();
    if (last.use_count() > 1)
        last = std::make_shared<Block>(*last);
    return *last;
}

void LineIndex::add(std::uint64_t position, const Moment& at, bool marker)
{
    const bool any = !blocks_.empty();
    const Moment stamp = any && at.steady < last_.steady ? last_ : at;
    // The lines of one read share its stamp: they need no new reckoning.
    const bool same = any && stamp == last_ && blocks_.back()->count < blockLines;
    if (!same && (!any || !fits(*blocks_.back(), stamp))) {
        auto block = std::make_shared<Block>();
        block->firstLine = end_;
        block->position = position;
        block->base = stamp;
        blocks_.push_back(std::move(block));
    }
    Block& block = lastForWriting();
    if (!same)
        lastMicros_ = static_cast<std::uint32_t>(duration_cast<microseconds>(stamp.steady - block.base.steady).count());
    block.lengths[block.count] = marker ? markerBit : 0;
    block.micros[block.count] = lastMicros_;
    ++block.count;
    ++end_;
    last_ = stamp;
}

void LineIndex::extendLast(std::uint32_t count)
{
    Block& block = lastForWriting();
    block.lengths[block.count - 1] = static_cast<std::uint16_t>(block.lengths[block.count - 1] + count);
}

void LineIndex::dropBefore(std::uint64_t position)
{
    while (!blocks_.empty()) {
        const Block& block = *blocks_.front();
        const std::uint64_t blockEnd = block.firstLine + block.count;
        auto index = static_cast<std::size_t>(first_ - block.firstLine);
        std::uint64_t at = positionIn(block, index);
        while (first_ < blockEnd && at < position) {
            at += block.lengths[index++] & ~markerBit;
            ++first_;
        }
        if (first_ < blockEnd)
            return;
        blocks_.pop_front();
    }
}

void LineIndex::clear()
{
    blocks_.clear();
    first_ = end_;
}
