#include "serial/ArrivalClock.h"

#include <cerrno>
#include <chrono>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The thread's clock is the system's own: the process's clock (toolkit/Clock) is the GUI
// thread's, which tests may set.
Moment systemNow()
{
    return {std::chrono::steady_clock::now(), std::chrono::system_clock::now()};
}

// A note covers what came in up to a millisecond before it, and a flood is not read this way.
constexpr auto notePace = std::chrono::milliseconds(1);
// Notes nobody read (the owner stopped reading) are kept only so far back.
constexpr std::size_t maxNotes = 4096;

} // namespace

ArrivalClock::ArrivalClock(int fd)
    : fd_(fd), epoll_(::epoll_create1(EPOLL_CLOEXEC)), stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (!epoll_ || !stop_)
        return;
    epoll_event data{};
    data.events = EPOLLIN | EPOLLET;
    data.data.fd = fd_;
    epoll_event stop{};
    stop.events = EPOLLIN;
    stop.data.fd = stop_.get();
    if (::epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, fd_, &data) != 0 ||
        ::epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, stop_.get(), &stop) != 0)
        return;
    thread_ = std::thread([this] { run(); });
}

ArrivalClock::~ArrivalClock()
{
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(stop_.get(), &one, sizeof one);
        thread_.join();
    }
}

void ArrivalClock::run()
{
    std::chrono::steady_clock::time_point lastNote{};
    for (;;) {
        epoll_event events[2];
        const int count = ::epoll_wait(epoll_.get(), events, 2, -1);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return;
        for (int i = 0; i < count; ++i) {
            if (events[i].data.fd == stop_.get())
                return;
        }
        // An arrival soon after the last note is a stream in full flow: it waits out the pace,
        // so a flood costs at most one wake-up a millisecond. One after a pause is noted at once,
        // which is one wake-up an arrival for a paced stream instead of two.
        if (std::chrono::steady_clock::now() - lastNote < notePace)
            std::this_thread::sleep_until(lastNote + notePace);
        const Moment now = systemNow();
        lastNote = now.steady;
        {
            const std::lock_guard guard(mutex_);
            int waiting = 0;
            if (::ioctl(fd_, FIONREAD, &waiting) == 0 && waiting > 0) {
                const std::uint64_t end = taken_ + static_cast<std::uint64_t>(waiting);
                if (notes_.empty() || end > notes_.back().end)
                    notes_.push_back({end, now});
                if (notes_.size() > maxNotes)
                    notes_.pop_front();
            }
        }
    }
}

void ArrivalClock::took(std::size_t count, std::vector<Port::Arrival>& out, const std::unique_lock<std::mutex>&)
{
    const std::uint64_t from = taken_;
    taken_ += count;
    std::uint64_t at = from;
    while (at < taken_ && !notes_.empty()) {
        Note& note = notes_.front();
        if (note.end <= at) {
            notes_.pop_front();
            continue;
        }
        const std::uint64_t end = std::min(note.end, taken_);
        out.push_back({static_cast<std::size_t>(end - at), note.at});
        at = end;
        if (note.end <= taken_)
            notes_.pop_front();
    }
    if (at < taken_)
        out.push_back({static_cast<std::size_t>(taken_ - at), systemNow()});
}
