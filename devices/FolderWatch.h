// Calls back once the entries of a folder have changed and then stayed still for a moment:
// plugging one adapter makes udev create and rename several entries, which should cost one
// look at the folder, not one each. Linux is told of changes by inotify, through the run
// loop's descriptor watch, and costs nothing while the folder stays as it is; elsewhere the
// folder's names are compared once a second.
#pragma once

#include "toolkit/FileDescriptor.h"

#include <functional>
#include <memory>
#include <set>
#include <string>

class ReadWatch;
class Timer;

class FolderWatch {
public:
    static constexpr double settleSeconds = 0.2;

    // Watches from now on; a folder that can't be watched never calls back.
    FolderWatch(std::string folder, std::function<void()> onChange);
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;
    ~FolderWatch();

private:
    // Something changed: call back once nothing more has changed for settleSeconds.
    void changed();
    void settled();

    std::string folder_;
    std::function<void()> onChange_;
    FileDescriptor events_;
    std::shared_ptr<ReadWatch> watch_;
    std::shared_ptr<Timer> settle_;
#ifndef __linux__
    std::set<std::string> names_; // what the folder held at the last look
#endif
};
