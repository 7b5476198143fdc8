#include "app/history/ByteChunks.h"

#include <algorithm>
#include <cstring>

ByteChunks::ByteChunks(std::size_t chunkSize)
    : chunkSize_(chunkSize)
{
}

bool ByteChunks::fits(std::size_t bytes) const
{
    return !chunks_.empty() && chunks_.back().used + bytes <= chunkSize_;
}

void ByteChunks::append(std::string_view bytes, std::uint64_t lineStart)
{
    if (!fits(bytes.size())) {
        Chunk next;
        next.bytes = spare_ ? std::move(spare_) : std::make_shared_for_overwrite<char[]>(chunkSize_);
        next.position = lineStart;
        if (!chunks_.empty() && lineStart < end_) {
            // The line so far moves on whole; the chunk it leaves ends where it began.
            Chunk& last = chunks_.back();
            const auto carried = static_cast<std::size_t>(end_ - lineStart);
            std::memcpy(next.bytes.get(), last.bytes.get() + (last.used - carried), carried);
            next.used = carried;
            last.used -= carried;
        }
        chunks_.push_back(std::move(next));
    }
    Chunk& last = chunks_.back();
    std::memcpy(last.bytes.get() + last.used, bytes.data(), bytes.size());
    last.used += bytes.size();
    end_ += bytes.size();
}

std::string_view ByteChunks::view(std::uint64_t position, std::size_t length) const
{
    if (length == 0)
        return {};
    auto chunk = std::upper_bound(chunks_.begin(), chunks_.end(), position,
                                  [](std::uint64_t p, const Chunk& c) { return p < c.position; });
    --chunk;
    return std::string_view(chunk->bytes.get() + (position - chunk->position), length);
}

std::size_t ByteChunks::dropFirst(bool keep)
{
    Chunk& first = chunks_.front();
    const std::size_t used = first.used;
    if (keep && first.bytes.use_count() == 1)
        spare_ = std::move(first.bytes);
    chunks_.pop_front();
    return used;
}

void ByteChunks::clear()
{
    chunks_.clear();
    spare_.reset();
}
