#include "app/history/ReceivedHistory.h"

#include "toolkit/printableText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

std::size_t ReceivedHistory::chunkSizeFor(const Settings& settings)
{
    // Small enough that dropping one loses little, and four lines of the longest kind fit in one,
    // so moving a line on into the next chunk wastes at most a quarter.
    return std::max(settings.limit / 32, 4 * settings.maxLineBytes);
}

ReceivedHistory::Settings ReceivedHistory::normalized(Settings settings)
{
    settings.maxLineBytes = std::clamp<std::size_t>(settings.maxLineBytes, 1, LineIndex::maxLength);
    settings.limit = std::max(settings.limit, 2 * chunkSizeFor(settings));
    return settings;
}

ReceivedHistory::ReceivedHistory(const Settings& settings)
    : settings_(normalized(settings)), store_(settings_.limit, chunkSizeFor(settings_))
{
}

void ReceivedHistory::received(std::string_view bytes, const Moment& at)
{
    if (bytes.empty())
        return;
    if (store_.lastLineOpen() && at.steady - lastByte_ >= settings_.idleGap)
        store_.closeLine();
    lastByte_ = at.steady;
    while (!bytes.empty()) {
        if (!store_.lastLineOpen()) {
            store_.beginLine(at);
            lineBytes_ = 0;
        }
        const std::string_view room = bytes.substr(0, settings_.maxLineBytes - lineBytes_);
        const std::size_t end = room.find('\n');
        const std::size_t take = end == std::string_view::npos ? room.size() : end + 1;
        store_.appendToLine(bytes.substr(0, take));
        lineBytes_ += take;
        bytes.remove_prefix(take);
        if (end != std::string_view::npos || lineBytes_ == settings_.maxLineBytes)
            store_.closeLine();
    }
    changed();
}

void ReceivedHistory::idle(const Moment& now)
{
    if (store_.lastLineOpen() && now.steady - lastByte_ >= settings_.idleGap) {
        store_.closeLine();
        changed();
    }
}

void ReceivedHistory::portEvent(const PortEvent& event)
{
    using Kind = PortEvent::Kind;
    if (!event.name.empty())
        portName_ = printableText(event.name);
    switch (event.kind) {
    case Kind::Opened:
        goneAt_.reset();
        mark("Port " + portName_ + " opened, " + event.settingsTitle, event.at, true);
        break;
    case Kind::Closed:
        goneAt_.reset();
        mark("Port " + portName_ + " closed", event.at);
        break;
    case Kind::Gone:
        goneAt_ = event.at;
        mark(portName_ + " went away" + (event.error ? std::string(": ") + std::strerror(event.error) : std::string()),
             event.at);
        break;
    case Kind::Reconnected: {
        // The reader must see the gap too: how long nothing could come.
        std::string away;
        if (goneAt_) {
            char text[48];
            const std::chrono::duration<double> gap = event.at.steady - goneAt_->steady;
            std::snprintf(text, sizeof text, " after %.3f s away", gap.count());
            away = text;
        }
        goneAt_.reset();
        mark("Port " + portName_ + " reconnected" + away + ", " + event.settingsTitle, event.at, true);
        break;
    }
    case Kind::Note:
        mark(printableText(event.text), event.at);
        break;
    }
}

void ReceivedHistory::mark(std::string text, const Moment& at, bool opensPort)
{
    store_.addMarker(std::move(text), at, opensPort);
    changed();
}

void ReceivedHistory::clear()
{
    store_.clear();
    changed();
}

void ReceivedHistory::changed()
{
    ++revision_;
    if (listener_)
        listener_();
}
