// Calls back once the entries of some folders have changed and then stayed still for a moment:
// plugging one adapter makes udev create and rename several entries, in /dev and in its
// by-id folder, which should cost one look, not one each. Linux is told of changes by
// inotify, through the run loop's descriptor watch, and costs nothing while the folders stay
// as they are; elsewhere the folders' names are compared once a second.
#pragma once

#include "toolkit/FileDescriptor.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class ReadWatch;
class Timer;

class FolderWatch {
public:
    static constexpr double settleSeconds = 0.2;
    // Steady churn can't put the call off for longer than this after its first change.
    static constexpr double longestWaitSeconds = 1.0;

    // Watches from now on. A folder that is not there yet is looked for again whenever
    // another one changes (udev makes /dev/serial/by-id in /dev for the first adapter).
    FolderWatch(std::vector<std::string> folders, std::function<void()> onChange);
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;
    ~FolderWatch();

private:
    // Something changed: call back once nothing more has changed for settleSeconds.
    void changed();
    void settled();
#ifdef __linux__
    // Adds the watches the folders lack; answers whether it added one.
    bool watchMissing();
    // Reads the events; a folder that was removed or moved away loses its watch.
    void readEvents();
    // A folder watched before and gone (a test's scratch folder, a remounted /dev) is looked
    // for on a timer, slower each time, until every such folder is back.
    void retryLost();
    std::vector<int> watches_; // one per folder, -1 while it has none
    std::vector<bool> lost_;   // watched once, and gone since
    std::shared_ptr<Timer> retry_;
    double retryDelay_ = 1.0;
#endif
    std::optional<std::chrono::steady_clock::time_point> firstChange_; // of the call pending, if any

    std::vector<std::string> folders_;
    std::function<void()> onChange_;
    FileDescriptor events_;
    std::shared_ptr<ReadWatch> watch_;
    std::shared_ptr<Timer> settle_;
#ifndef __linux__
    std::set<std::string> names_; // what the folders held at the last look
#endif
};
