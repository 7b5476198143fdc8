#include "app/stream/ReceivedStream.h"

#include <algorithm>

void ReceivedStream::add(StreamConsumer& consumer)
{
    if (has(consumer))
        return;
    consumers_.push_back(&consumer);
    if (open_)
        consumer.portEvent(*open_);
}

void ReceivedStream::remove(StreamConsumer& consumer)
{
    // Left as a hole while a delivery walks the list; the walk closes it.
    std::replace(consumers_.begin(), consumers_.end(), &consumer, static_cast<StreamConsumer*>(nullptr));
    if (walking_ == 0)
        std::erase(consumers_, nullptr);
}

bool ReceivedStream::has(const StreamConsumer& consumer) const
{
    return std::find(consumers_.begin(), consumers_.end(), &consumer) != consumers_.end();
}

template <typename Tell>
void ReceivedStream::tellAll(const Tell& tell)
{
    // By index: a consumer may add others meanwhile; those wait for the next delivery.
    // Holes are closed by the outermost walk only, so a nested one never moves an entry
    // under the walk it interrupted.
    const std::size_t count = consumers_.size();
    ++walking_;
    for (std::size_t i = 0; i < count; ++i) {
        if (StreamConsumer* consumer = consumers_[i])
            tell(*consumer);
    }
    if (--walking_ == 0)
        std::erase(consumers_, nullptr);
}

void ReceivedStream::deliver(std::string_view bytes, const Moment& at)
{
    if (!bytes.empty())
        tellAll([&](StreamConsumer& consumer) { consumer.received(bytes, at); });
}

void ReceivedStream::announce(const PortEvent& event)
{
    if (event.kind == PortEvent::Kind::Opened || event.kind == PortEvent::Kind::Reconnected)
        open_ = event;
    else if (event.kind != PortEvent::Kind::Note)
        open_.reset();
    tellAll([&](StreamConsumer& consumer) { consumer.portEvent(event); });
}

void ReceivedStream::idle(const Moment& now)
{
    tellAll([&](StreamConsumer& consumer) { consumer.idle(now); });
}
