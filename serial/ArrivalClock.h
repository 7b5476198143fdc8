// When the bytes waiting on a descriptor arrived, noted while they wait: a thread of its own
// sleeps in epoll, edge-triggered, and at each arrival notes the time and how many bytes had
// come by then, without reading them. A read on the owner's thread then learns which of its
// bytes came when. At most one note a millisecond, so a flood costs a thousand wake-ups a
// second at most, a paced stream one per arrival.
#pragma once

#include "devices/Port.h"
#include "toolkit/FileDescriptor.h"
#include "toolkit/Moment.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class ArrivalClock {
public:
    // Watches fd, which must outlive it; nothing is watched if the system refuses.
    explicit ArrivalClock(int fd);
    ArrivalClock(const ArrivalClock&) = delete;
    ArrivalClock& operator=(const ArrivalClock&) = delete;
    ~ArrivalClock();

    // Call with the lock held across the read (lock()), so no arrival is noted half before it.
    std::unique_lock<std::mutex> lock() { return std::unique_lock(mutex_); }
    // The read took count bytes: out gets them in stretches by arrival. Bytes no note covers
    // yet (they came a moment ago) are stamped now.
    void took(std::size_t count, std::vector<Port::Arrival>& out, const std::unique_lock<std::mutex>& held);

private:
    void run();

    struct Note {
        std::uint64_t end; // bytes that had come in all when it was noted
        Moment at;
    };

    const int fd_;
    FileDescriptor epoll_;
    FileDescriptor stop_;
    std::mutex mutex_;
    std::uint64_t taken_ = 0; // bytes read so far
    std::deque<Note> notes_;
    std::thread thread_;
};
