// Points one of the process's descriptors (stdout, stderr) at another open file for as long as
// it lives, then back where it was: a test watches what the program writes there.
#pragma once

#include "toolkit/FileDescriptor.h"

#include <gtest/gtest.h>

class Redirect {
public:
    Redirect(int fd, int target) : fd_(fd), saved_(::dup(fd))
    {
        EXPECT_TRUE(saved_ && ::dup2(target, fd) == fd) << "cannot redirect descriptor " << fd;
    }
    Redirect(const Redirect&) = delete;
    Redirect& operator=(const Redirect&) = delete;
    ~Redirect() { ::dup2(saved_.get(), fd_); }

private:
    int fd_;
    FileDescriptor saved_;
};
