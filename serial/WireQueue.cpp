#include "serial/WireQueue.h"

#include <algorithm>

namespace {

constexpr char iac = static_cast<char>(0xFF);

// Sent bytes are dropped from the buffer once they are most of it, so a long queue costs
// one copy per halving, not one per write.
constexpr std::size_t compactAbove = 64 * 1024;

} // namespace

void WireQueue::appendData(std::string_view wire, bool crNul)
{
    if (wire.empty())
        return;
    bytes_.append(wire);
    segments_.push_back({wire.size(), true, crNul, false});
}

void WireQueue::appendControl(std::string_view wire)
{
    if (wire.empty())
        return;
    bytes_.append(wire);
    segments_.push_back({wire.size(), false, false, false});
}

std::size_t WireQueue::consume(std::size_t count)
{
    count = std::min(count, size());
    std::size_t data = 0;
    while (count > 0 && !segments_.empty()) {
        Segment& segment = segments_.front();
        const std::size_t take = std::min(count, segment.wire);
        if (segment.data)
            data += sendFromFront(segment, take);
        else
            sent_ += take;
        segment.wire -= take;
        count -= take;
        if (segment.wire == 0)
            segments_.pop_front();
    }
    if (sent_ > compactAbove && sent_ * 2 > bytes_.size()) {
        bytes_.erase(0, sent_);
        sent_ = 0;
    }
    return data;
}

std::size_t WireQueue::sendFromFront(Segment& segment, std::size_t count)
{
    std::size_t data = 0;
    std::size_t i = 0;
    if (segment.halfSent && count > 0) {
        segment.halfSent = false;
        ++data;
        i = 1;
    }
    while (i < count) {
        const char c = bytes_[sent_ + i];
        const std::size_t unit = (c == iac || (segment.crNul && c == '\r')) ? 2 : 1;
        if (i + unit > count) {
            segment.halfSent = true; // the rest of this byte goes with the next write
            i = count;
            break;
        }
        i += unit;
        ++data;
    }
    sent_ += count;
    return data;
}

std::size_t WireQueue::controlAtFront() const
{
    std::size_t control = 0;
    for (const Segment& segment : segments_) {
        if (segment.data)
            break;
        control += segment.wire;
    }
    return control;
}

std::size_t WireQueue::pendingData() const
{
    std::size_t data = 0;
    std::size_t at = sent_;
    for (const Segment& segment : segments_) {
        if (segment.data) {
            std::size_t i = segment.halfSent ? 1 : 0;
            data += i;
            while (i < segment.wire) {
                const char c = bytes_[at + i];
                i += (c == iac || (segment.crNul && c == '\r')) ? 2 : 1;
                ++data;
            }
        }
        at += segment.wire;
    }
    return data;
}

void WireQueue::clear()
{
    bytes_.clear();
    sent_ = 0;
    segments_.clear();
}
