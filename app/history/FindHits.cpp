#include "app/history/FindHits.h"

#include <algorithm>
#include <bit>
#include <cstddef>

namespace {

constexpr std::uint64_t noLine = ~std::uint64_t{0};

} // namespace

void FindHits::add(std::uint64_t line, std::size_t matches)
{
    const std::uint64_t number = blockNumber(line);
    if (blocks_.empty())
        firstBlock_ = number;
    while (firstBlock_ + blocks_.size() <= number)
        blocks_.emplace_back();
    Block& block = blocks_[static_cast<std::size_t>(number - firstBlock_)];
    block.count += static_cast<std::uint32_t>(matches);
    const std::size_t bit = line % blockLines;
    block.bits[bit / 64] |= std::uint64_t{1} << (bit % 64);
    total_ += matches;
}

void FindHits::clear()
{
    blocks_.clear();
    total_ = 0;
}

void FindHits::dropBefore(std::uint64_t first, const CountOn& countOn)
{
    const std::uint64_t number = blockNumber(first);
    while (!blocks_.empty() && firstBlock_ < number) {
        total_ -= blocks_.front().count;
        blocks_.pop_front();
        ++firstBlock_;
    }
    if (blocks_.empty() || firstBlock_ != number)
        return;
    Block& block = blocks_.front();
    const std::uint64_t base = number * blockLines;
    bool lost = false;
    for (std::size_t bit = 0; bit < first - base; ++bit) {
        std::uint64_t& word = block.bits[bit / 64];
        const std::uint64_t mask = std::uint64_t{1} << (bit % 64);
        lost = lost || (word & mask) != 0;
        word &= ~mask;
    }
    if (!lost)
        return;
    std::uint32_t kept = 0;
    for (std::size_t bit = first - base; bit < blockLines; ++bit) {
        if (block.bits[bit / 64] & (std::uint64_t{1} << (bit % 64)))
            kept += static_cast<std::uint32_t>(countOn(base + bit));
    }
    total_ -= block.count - kept;
    block.count = kept;
}

const FindHits::Block* FindHits::blockOf(std::uint64_t line) const
{
    const std::uint64_t number = blockNumber(line);
    if (blocks_.empty() || number < firstBlock_ || number - firstBlock_ >= blocks_.size())
        return nullptr;
    return &blocks_[static_cast<std::size_t>(number - firstBlock_)];
}

bool FindHits::has(std::uint64_t line) const
{
    const Block* block = blockOf(line);
    const std::size_t bit = line % blockLines;
    return block && (block->bits[bit / 64] & (std::uint64_t{1} << (bit % 64)));
}

std::optional<std::uint64_t> FindHits::lineAfter(std::uint64_t line) const
{
    if (blocks_.empty())
        return std::nullopt;
    std::uint64_t from = line == noLine ? 0 : line + 1;
    from = std::max(from, firstBlock_ * blockLines);
    for (auto i = static_cast<std::size_t>(blockNumber(from) - firstBlock_); i < blocks_.size(); ++i) {
        const Block& block = blocks_[i];
        const std::uint64_t base = (firstBlock_ + i) * blockLines;
        for (std::size_t word = (from - base) / 64; block.count != 0 && word < block.bits.size(); ++word) {
            std::uint64_t bits = block.bits[word];
            if (word == (from - base) / 64)
                bits &= ~std::uint64_t{0} << ((from - base) % 64);
            if (bits)
                return base + word * 64 + static_cast<std::uint64_t>(std::countr_zero(bits));
        }
        from = base + blockLines;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> FindHits::lineBefore(std::uint64_t line) const
{
    if (blocks_.empty() || line <= firstBlock_ * blockLines)
        return std::nullopt;
    std::uint64_t from = std::min(line - 1, (firstBlock_ + blocks_.size()) * blockLines - 1);
    for (auto i = static_cast<std::ptrdiff_t>(blockNumber(from) - firstBlock_); i >= 0; --i) {
        const Block& block = blocks_[static_cast<std::size_t>(i)];
        const std::uint64_t base = (firstBlock_ + static_cast<std::uint64_t>(i)) * blockLines;
        if (block.count != 0) {
            for (auto word = static_cast<std::ptrdiff_t>((from - base) / 64); word >= 0; --word) {
                std::uint64_t bits = block.bits[static_cast<std::size_t>(word)];
                if (static_cast<std::uint64_t>(word) == (from - base) / 64 && (from - base) % 64 != 63)
                    bits &= (std::uint64_t{1} << ((from - base) % 64 + 1)) - 1;
                if (bits)
                    return base + static_cast<std::uint64_t>(word) * 64 + 63 - static_cast<std::uint64_t>(std::countl_zero(bits));
            }
        }
        if (base == 0)
            break;
        from = base - 1;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> FindHits::firstLine() const
{
    return lineAfter(noLine);
}

std::optional<std::uint64_t> FindHits::lastLine() const
{
    return lineBefore(noLine);
}

std::uint64_t FindHits::matchesBefore(std::uint64_t line, const CountOn& countOn) const
{
    std::uint64_t before = 0;
    const std::uint64_t number = blockNumber(line);
    std::size_t i = 0;
    for (; i < blocks_.size() && firstBlock_ + i < number; ++i)
        before += blocks_[i].count;
    if (i < blocks_.size() && firstBlock_ + i == number) {
        const std::uint64_t base = number * blockLines;
        for (std::uint64_t at = base; at < line; ++at) {
            const std::size_t bit = at - base;
            if (blocks_[i].bits[bit / 64] & (std::uint64_t{1} << (bit % 64)))
                before += countOn(at);
        }
    }
    return before;
}
