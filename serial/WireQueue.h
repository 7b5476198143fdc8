// The bytes a network port has yet to send, in order: data as the telnet codec encoded it
// (IAC doubled, CR NUL) and commands between it. A write takes bytes off the front and is
// told how many of the caller's data bytes went out with them, so the log and the byte
// counts show data, never the protocol around it.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

class WireQueue {
public:
    // Encoded data standing for `dataBytes` of the caller's: `wire` holds each data byte as
    // itself, or doubled when it is IAC, or followed by NUL when it is CR and crNul is set.
    void appendData(std::string_view wire, bool crNul);
    // Bytes that carry no data (telnet commands, subnegotiations).
    void appendControl(std::string_view wire);

    const char* front() const { return bytes_.data() + sent_; }
    std::size_t size() const { return bytes_.size() - sent_; }
    bool empty() const { return size() == 0; }
    // The commands at the front, before any data: what may go out without the caller.
    std::size_t controlAtFront() const;
    // Takes `count` bytes off the front; answers how many data bytes are then wholly sent.
    std::size_t consume(std::size_t count);
    // The data bytes not yet wholly sent.
    std::size_t pendingData() const;
    void clear();

private:
    struct Segment {
        std::size_t wire;    // bytes of it still to send
        bool data;
        bool crNul;
        bool halfSent;       // its first byte is the second of a data byte's two
    };
    // Sends `count` bytes of the segment at the front; answers the data bytes they finish.
    std::size_t sendFromFront(Segment& segment, std::size_t count);

    std::string bytes_;
    std::size_t sent_ = 0;
    std::deque<Segment> segments_;
};
