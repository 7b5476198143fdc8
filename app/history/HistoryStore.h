// What a received history holds: the bytes in chunks, the line index, the markers, and what
// was dropped to stay within the limit. Lines have absolute numbers in [firstLine, endLine);
// the last one may still be growing. A copy is a snapshot another thread may read while this
// one goes on taking bytes (the copy shares the chunks and full index blocks, and reads only
// what was there), provided the copy is made and destroyed on the writing thread.
#pragma once

#include "app/history/ByteChunks.h"
#include "app/history/HistoryLine.h"
#include "app/history/LineIndex.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

class HistoryStore {
public:
    // limit: the most the chunks may hold; the index may add a tenth on top, and when it would
    // need more (a flood of very short lines) older bytes go instead.
    HistoryStore(std::size_t limit, std::size_t chunkSize);

    std::uint64_t firstLine() const { return index_.first(); }
    std::uint64_t endLine() const { return index_.end(); }
    bool empty() const { return index_.empty(); }
    // Whether the last line may still grow: no line feed, idle gap or length limit ended it.
    bool lastLineOpen() const { return open_; }
    // One past the last line that can no longer change.
    std::uint64_t completeEnd() const { return endLine() - (open_ ? 1 : 0); }

    // line must lie in [firstLine(), endLine()).
    HistoryLine line(std::uint64_t number) const;
    // Calls visit(const HistoryLine&) for each line in [from, to) while it answers true.
    template <typename Visit>
    void forEachLine(std::uint64_t from, std::uint64_t to, Visit visit) const;
    // Calls visit(std::string_view) for the stored bytes, oldest first: together, every byte
    // delivered since the first one kept.
    template <typename Visit>
    void forEachByteRun(Visit visit) const { bytes_.forEachChunk(visit); }

    // When the port was last opened (or reconnected) at or before line, if the history knows.
    std::optional<Moment> openedAt(std::uint64_t line) const;

    std::uint64_t storedBytes() const { return bytes_.end() - bytes_.begin(); }
    std::uint64_t droppedBytes() const { return dropped_; }
    // "history starts at 14:02:11.310; 12 MiB older were dropped", or "" while nothing was.
    std::string startNotice() const;

    std::size_t limit() const { return limit_; }
    // What the history holds in memory: chunks, index and markers.
    std::size_t memoryBytes() const { return bytes_.capacityBytes() + index_.memoryBytes() + markerBytes_; }

    // Writing, in the order the stream tells it.
    void beginLine(const Moment& at);
    void appendToLine(std::string_view bytes); // at most maxLength bytes to a line in all
    void closeLine() { open_ = false; }
    void addMarker(std::string text, const Moment& at, bool opensPort);
    void clear();

private:
    struct Marker {
        std::uint64_t line;
        std::string text;
        bool opensPort;
        Moment at;
    };

    HistoryLine lineAt(std::uint64_t number, const LineIndex::Entry& entry) const;
    std::string_view markerText(std::uint64_t line) const;
    // keepMemory: the chunk's memory serves the next one (see ByteChunks::dropFirst).
    void dropOldest(bool keepMemory);

    std::size_t limit_;
    ByteChunks bytes_;
    LineIndex index_;
    std::deque<Marker> markers_;
    std::size_t markerBytes_ = 0;
    std::optional<Moment> openedBeforeFirst_; // the opening of the port before the lines kept
    std::uint64_t dropped_ = 0;
    std::uint64_t openStart_ = 0; // where the last line's bytes begin
    bool open_ = false;
};

template <typename Visit>
void HistoryStore::forEachLine(std::uint64_t from, std::uint64_t to, Visit visit) const
{
    index_.forEach(from, to, [&](std::uint64_t number, const LineIndex::Entry& entry) {
        return visit(static_cast<const HistoryLine&>(lineAt(number, entry)));
    });
}
