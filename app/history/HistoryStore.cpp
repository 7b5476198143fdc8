#include "app/history/HistoryStore.h"

#include "app/history/StampText.h"

#include <algorithm>
#include <cstdio>

namespace {

// A marker's share of memory besides its text: its entry and the deque's bookkeeping.
constexpr std::size_t markerCost = 96;

std::string amountText(std::uint64_t bytes)
{
    char text[48];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%llu KiB", static_cast<unsigned long long>((bytes + 512) / 1024));
    else
        std::snprintf(text, sizeof text, "%llu MiB", static_cast<unsigned long long>((bytes + (1 << 19)) >> 20));
    return text;
}

} // namespace

HistoryStore::HistoryStore(std::size_t limit, std::size_t chunkSize)
    : limit_(limit), bytes_(chunkSize)
{
}

HistoryLine HistoryStore::line(std::uint64_t number) const
{
    return lineAt(number, index_.at(number));
}

HistoryLine HistoryStore::lineAt(std::uint64_t number, const LineIndex::Entry& entry) const
{
    HistoryLine line;
    line.number = number;
    line.marker = entry.marker;
    line.at = entry.at;
    if (entry.marker)
        line.text = markerText(number);
    else
        line.bytes = bytes_.view(entry.position, entry.length);
    return line;
}

std::string_view HistoryStore::markerText(std::uint64_t line) const
{
    const auto it = std::lower_bound(markers_.begin(), markers_.end(), line,
                                     [](const Marker& marker, std::uint64_t n) { return marker.line < n; });
    return it != markers_.end() && it->line == line ? std::string_view(it->text) : std::string_view();
}

std::optional<Moment> HistoryStore::openedAt(std::uint64_t line) const
{
    auto it = std::upper_bound(markers_.begin(), markers_.end(), line,
                               [](std::uint64_t n, const Marker& marker) { return n < marker.line; });
    while (it != markers_.begin()) {
        --it;
        if (it->opensPort)
            return it->at;
    }
    return openedBeforeFirst_;
}

std::string HistoryStore::startNotice() const
{
    if (dropped_ == 0 || empty())
        return "";
    StampText stamps;
    std::string text = "history starts at ";
    stamps.appendTime(text, line(firstLine()).at.wall);
    return text + "; " + amountText(dropped_) + " older were dropped";
}

void HistoryStore::beginLine(const Moment& at)
{
    openStart_ = bytes_.end();
    index_.add(openStart_, at, false);
    open_ = true;
}

void HistoryStore::appendToLine(std::string_view bytes)
{
    if (!bytes_.fits(bytes.size())) {
        // The new chunk must fit in the limit: the oldest make room for it first, and it takes
        // the memory of the last of them.
        while (bytes_.chunkCount() > 1 && (bytes_.chunkCount() + 1) * bytes_.chunkSize() > limit_)
            dropOldest(true);
    }
    bytes_.append(bytes, openStart_);
    index_.extendLast(static_cast<std::uint32_t>(bytes.size()));
    while (bytes_.chunkCount() > 1 && memoryBytes() > limit_ + limit_ / 10)
        dropOldest(false);
}

void HistoryStore::addMarker(std::string text, const Moment& at, bool opensPort)
{
    open_ = false;
    index_.add(bytes_.end(), at, true);
    const LineIndex::Entry entry = index_.at(index_.end() - 1);
    markerBytes_ += text.capacity() + markerCost;
    markers_.push_back(Marker{index_.end() - 1, std::move(text), opensPort, entry.at});
}

void HistoryStore::dropOldest(bool keepMemory)
{
    dropped_ += bytes_.dropFirst(keepMemory);
    index_.dropBefore(bytes_.begin());
    while (!markers_.empty() && markers_.front().line < index_.first()) {
        if (markers_.front().opensPort)
            openedBeforeFirst_ = markers_.front().at;
        markerBytes_ -= markers_.front().text.capacity() + markerCost;
        markers_.pop_front();
    }
}

void HistoryStore::clear()
{
    // Lines after the clearing still tell the time since the port opened.
    if (!empty())
        openedBeforeFirst_ = openedAt(endLine() - 1);
    bytes_.clear();
    index_.clear();
    markers_.clear();
    markerBytes_ = 0;
    dropped_ = 0;
    open_ = false;
}
