#include "toolkit/ReadWatch.h"

std::shared_ptr<ReadWatch> ReadWatch::watchDescriptor(int fd, Callback callback)
{
    return std::shared_ptr<ReadWatch>(new ReadWatch(fd, std::move(callback), false));
}

std::shared_ptr<ReadWatch> ReadWatch::watchWritable(int fd, Callback callback)
{
    return std::shared_ptr<ReadWatch>(new ReadWatch(fd, std::move(callback), true));
}

ReadWatch::ReadWatch(int fd, Callback callback, bool forWriting)
    : fd_(fd), forWriting_(forWriting), callback_(std::move(callback))
{
}

ReadWatch::~ReadWatch()
{
    invalidate();
}

void ReadWatch::invalidate()
{
    if (!valid_)
        return;
    valid_ = false;
    if (auto hook = std::move(cancelHook_))
        hook();
}

void ReadWatch::fire()
{
    if (!valid_)
        return;
    // The callback may drop the last owner of this watch; stay alive until it returns.
    const std::shared_ptr<ReadWatch> self = shared_from_this();
    if (callback_)
        callback_();
}
