#include "devices/FolderWatch.h"

#include "toolkit/Clock.h"
#include "toolkit/ReadWatch.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <utility>

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#else
#include <filesystem>
#include <system_error>
#endif

#ifdef __linux__
namespace {

// Attributes too: udev gives a new node its group and mode a moment after the kernel makes
// it, and only then can a user who is not root open it.
constexpr std::uint32_t entriesChange =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr double slowestRetrySeconds = 10.0;

} // namespace
#endif

FolderWatch::FolderWatch(std::vector<std::string> folders, std::function<void()> onChange)
    : folders_(std::move(folders)), onChange_(std::move(onChange))
{
#ifdef __linux__
    events_.reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!events_)
        return;
    watches_.assign(folders_.size(), -1);
    lost_.assign(folders_.size(), false);
    watchMissing();
    watch_ = ReadWatch::watchDescriptor(events_.get(), [this] {
        readEvents();
        watchMissing();
        changed();
    });
    RunLoop::currentRunLoop().addWatch(watch_);
#else
    // Without an event source a timer looks now and then; a look that finds the names of the
    // last one is all it costs.
    const auto look = [this] {
        std::set<std::string> names;
        for (const std::string& folder : folders_) {
            std::error_code error;
            for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
                names.insert(folder + '/' + it->path().filename().string());
        }
        return names;
    };
    names_ = look();
    settle_ = Timer::timerWithTimeInterval(1.0, [this, look](Timer&) {
        std::set<std::string> names = look();
        if (names != names_) {
            names_ = std::move(names);
            onChange_();
        }
    }, true);
    RunLoop::currentRunLoop().addTimer(settle_);
#endif
}

#ifdef __linux__
bool FolderWatch::watchMissing()
{
    bool added = false;
    for (std::size_t i = 0; i < folders_.size(); ++i) {
        if (watches_[i] < 0) {
            watches_[i] = ::inotify_add_watch(events_.get(), folders_[i].c_str(), entriesChange);
            if (watches_[i] >= 0) {
                added = true;
                lost_[i] = false;
            }
        }
    }
    return added;
}

void FolderWatch::readEvents()
{
    // Which entries changed doesn't matter, the scan looks at the folders itself; only whether
    // a folder itself went.
    alignas(inotify_event) char buffer[4096];
    bool lost = false;
    for (ssize_t got; (got = ::read(events_.get(), buffer, sizeof buffer)) > 0;) {
        for (std::size_t at = 0; at + sizeof(inotify_event) <= static_cast<std::size_t>(got);) {
            inotify_event event{};
            std::memcpy(&event, buffer + at, sizeof event);
            at += sizeof event + event.len;
            if (!(event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)))
                continue;
            for (std::size_t i = 0; i < folders_.size(); ++i) {
                if (watches_[i] != event.wd)
                    continue;
                // A moved folder's watch would follow it; the name is what counts.
                if (!(event.mask & IN_IGNORED))
                    ::inotify_rm_watch(events_.get(), event.wd);
                watches_[i] = -1;
                lost_[i] = lost = true;
            }
        }
    }
    if (lost && !retry_) {
        retryDelay_ = 1.0;
        retryLost();
    }
}

void FolderWatch::retryLost()
{
    retry_ = Timer::timerWithTimeInterval(retryDelay_, [this](Timer&) {
        retry_.reset();
        // Back: what it holds now may differ from before.
        if (watchMissing())
            changed();
        if (std::find(lost_.begin(), lost_.end(), true) != lost_.end()) {
            retryDelay_ = std::min(retryDelay_ * 2, slowestRetrySeconds);
            retryLost();
        }
    }, false);
    RunLoop::currentRunLoop().addTimer(retry_);
}
#endif

FolderWatch::~FolderWatch()
{
    if (settle_)
        settle_->invalidate();
#ifdef __linux__
    if (retry_)
        retry_->invalidate();
#endif
    // Nothing may watch the descriptor once it closes.
    if (watch_)
        watch_->invalidate();
}

void FolderWatch::changed()
{
    const auto now = Clock::now().steady;
    if (!firstChange_)
        firstChange_ = now;
    if (settle_)
        settle_->invalidate();
    const double waited = std::chrono::duration<double>(now - *firstChange_).count();
    const double wait = std::clamp(longestWaitSeconds - waited, 0.0, settleSeconds);
    settle_ = Timer::timerWithTimeInterval(wait, [this](Timer&) { settled(); }, false);
    RunLoop::currentRunLoop().addTimer(settle_);
}

void FolderWatch::settled()
{
    settle_.reset();
    firstChange_.reset();
    // Last: the callback may end this watch.
    onChange_();
}
