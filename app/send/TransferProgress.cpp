#include "app/send/TransferProgress.h"

#include "toolkit/Clock.h"

#include <cmath>
#include <cstdio>

std::string describeBytes(std::uint64_t bytes)
{
    char text[32];
    const double value = static_cast<double>(bytes);
    if (bytes < 1000)
        std::snprintf(text, sizeof text, "%llu byte%s", static_cast<unsigned long long>(bytes), bytes == 1 ? "" : "s");
    else if (bytes < 1000 * 1000)
        std::snprintf(text, sizeof text, "%.1f kB", value / 1e3);
    else if (bytes < 1000ull * 1000 * 1000)
        std::snprintf(text, sizeof text, "%.1f MB", value / 1e6);
    else
        std::snprintf(text, sizeof text, "%.2f GB", value / 1e9);
    return text;
}

std::string TransferProgress::describe() const
{
    std::string text = describeBytes(done);
    if (total)
        text += " of " + describeBytes(*total);
    if (bytesPerSecond > 0)
        text += ", " + describeBytes(static_cast<std::uint64_t>(bytesPerSecond)) + "/s";
    if (left) {
        const long long seconds = left->count();
        char part[64];
        if (seconds < 60)
            std::snprintf(part, sizeof part, ", %lld s left", seconds);
        else if (seconds < 3600)
            std::snprintf(part, sizeof part, ", %lld min %02lld s left", seconds / 60, seconds % 60);
        else
            std::snprintf(part, sizeof part, ", %lld h %02lld min left", seconds / 3600, seconds / 60 % 60);
        text += part;
    }
    return text;
}

void RateMeter::start()
{
    started_ = Clock::now().steady;
    samples_.clear();
    samples_.emplace_back(started_, 0);
}

TransferProgress RateMeter::note(std::uint64_t done, std::optional<std::uint64_t> total)
{
    const auto now = Clock::now().steady;
    samples_.emplace_back(now, done);
    // Keep one sample from before the window, so the rate always spans at least the window.
    while (samples_.size() > 2 && now - samples_[1].first >= window)
        samples_.pop_front();
    TransferProgress progress;
    progress.done = done;
    progress.total = total;
    progress.elapsed = now - started_;
    const auto& [since, then] = samples_.front();
    const double seconds = std::chrono::duration<double>(now - since).count();
    if (seconds > 0 && done >= then)
        progress.bytesPerSecond = static_cast<double>(done - then) / seconds;
    if (total && progress.bytesPerSecond > 0 && *total >= done)
        progress.left = std::chrono::seconds(
            static_cast<long long>(std::ceil(static_cast<double>(*total - done) / progress.bytesPerSecond)));
    return progress;
}
