// The bytes of a received history, in chunks of one size: the oldest chunk goes whole, and a
// line never straddles two chunks (a line that would is moved on into the next), so every
// line is one contiguous view. Positions count the stored bytes from the first ever kept.
// Copies share the chunks' bytes and only ever read what was there when they were made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>

class ByteChunks {
public:
    explicit ByteChunks(std::size_t chunkSize);

    std::size_t chunkSize() const { return chunkSize_; }
    std::uint64_t begin() const { return chunks_.empty() ? end_ : chunks_.front().position; }
    std::uint64_t end() const { return end_; }
    std::size_t chunkCount() const { return chunks_.size(); }
    // Memory the chunks hold, whether filled or not, and the one kept for reuse.
    std::size_t capacityBytes() const { return (chunks_.size() + (spare_ ? 1 : 0)) * chunkSize_; }
    // Whether bytes more bytes fit in the last chunk.
    bool fits(std::size_t bytes) const;

    // Appends bytes (at most a quarter of a chunk) to the line that starts at lineStart. When
    // they do not fit, a new chunk begins and that line's bytes so far move into it.
    void append(std::string_view bytes, std::uint64_t lineStart);
    // The bytes at [position, position + length), which lie in one chunk.
    std::string_view view(std::uint64_t position, std::size_t length) const;
    // Lets the oldest chunk go; answers how many stored bytes went with it. With keep, its
    // memory is kept for the next chunk (unless a copy still reads it): memory the system has
    // mapped in already, where a fresh chunk would fault in every page of it anew.
    std::size_t dropFirst(bool keep);
    void clear();

    // Calls visit(bytes) for each chunk's stored bytes, oldest first.
    template <typename Visit>
    void forEachChunk(Visit visit) const
    {
        for (const Chunk& chunk : chunks_)
            visit(std::string_view(chunk.bytes.get(), chunk.used));
    }

private:
    struct Chunk {
        std::shared_ptr<char[]> bytes;
        std::size_t used = 0;
        std::uint64_t position = 0;
    };

    std::size_t chunkSize_;
    std::deque<Chunk> chunks_;
    std::shared_ptr<char[]> spare_;
    std::uint64_t end_ = 0;
};
