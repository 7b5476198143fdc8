// A program run as a child process: its standard input and output are descriptors the
// caller names (a port's), its standard error a pipe the caller reads. It runs in a process
// group of its own with default signals; whatever still runs when the object goes is killed
// and reaped, so no child outlives its owner or stays a zombie.
#pragma once

#include "toolkit/FileDescriptor.h"

#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

class ChildProcess {
public:
    struct Setup {
        // The program (found on PATH when it holds no '/') and its arguments.
        std::vector<std::string> arguments;
        int input = -1;  // standard input; -1 for /dev/null
        int output = -1; // standard output; -1 for /dev/null
        // Where it runs; empty for the caller's folder.
        std::string folder;
    };

    // Nothing when it could not be started; error then holds the errno.
    static std::unique_ptr<ChildProcess> spawn(const Setup& setup, int& error);

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    // The read end of its standard error, non-blocking; it reads 0 once the child (and
    // anything it started) closed it.
    int errorOutput() const { return errors_.get(); }
    // Sends a signal while it runs; false once it has been reaped.
    bool signal(int number) const;
    // Reaps it if it has ended, without waiting: its wait status then, or nothing while it runs.
    std::optional<int> poll();
    bool hasEnded() const { return status_.has_value(); }
    // Its wait status once ended.
    std::optional<int> status() const { return status_; }

private:
    ChildProcess(pid_t pid, FileDescriptor errors);

    pid_t pid_ = -1;
    FileDescriptor errors_;
    std::optional<int> status_;
};

// The path of the program on PATH, or "" when it is not there.
std::string findProgram(const std::string& name);
// How a wait status reads for the user: "exited with status 1", "was stopped by signal 15".
std::string describeWaitStatus(int status);
