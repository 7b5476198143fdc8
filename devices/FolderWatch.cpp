#include "devices/FolderWatch.h"

#include "toolkit/ReadWatch.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <cstdint>
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
constexpr std::uint32_t entriesChange = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB;

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
    watchMissing();
    watch_ = ReadWatch::watchDescriptor(events_.get(), [this] {
        // Only that something happened matters, not what: the scan looks at the folders itself.
        alignas(inotify_event) char buffer[4096];
        while (::read(events_.get(), buffer, sizeof buffer) > 0) {
        }
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
            added = added || watches_[i] >= 0;
        }
    }
    return added;
}
#endif

FolderWatch::~FolderWatch()
{
    if (settle_)
        settle_->invalidate();
    // Nothing may watch the descriptor once it closes.
    if (watch_)
        watch_->invalidate();
}

void FolderWatch::changed()
{
    if (settle_)
        settle_->invalidate();
    settle_ = Timer::timerWithTimeInterval(settleSeconds, [this](Timer&) { settled(); }, false);
    RunLoop::currentRunLoop().addTimer(settle_);
}

void FolderWatch::settled()
{
    settle_.reset();
    // Last: the callback may end this watch.
    onChange_();
}
