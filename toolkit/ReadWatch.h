// Calls back when a descriptor has something to read (or, for a write watch, can take more),
// has hung up or failed, once it is added to the run loop. Like a timer, its owner keeps it
// alive; invalidate() ends it at once and tells the event loop's driver, so nothing watches
// a descriptor after it is closed.
#pragma once

#include <functional>
#include <memory>

class ReadWatch : public std::enable_shared_from_this<ReadWatch> {
public:
    using Callback = std::function<void()>;

    static std::shared_ptr<ReadWatch> watchDescriptor(int fd, Callback callback);
    static std::shared_ptr<ReadWatch> watchWritable(int fd, Callback callback);

    ReadWatch(const ReadWatch&) = delete;
    ReadWatch& operator=(const ReadWatch&) = delete;
    ~ReadWatch();

    int descriptor() const { return fd_; }
    bool forWriting() const { return forWriting_; }
    bool isValid() const { return valid_; }
    // Stops the watch for good; call it before the descriptor is closed.
    void invalidate();
    // Calls back now if the watch is valid.
    void fire();

    // Set by whatever really watches the descriptor, to be told when the watch ends.
    void setCancelHook(std::function<void()> hook) { cancelHook_ = std::move(hook); }

private:
    ReadWatch(int fd, Callback callback, bool forWriting);

    int fd_;
    bool forWriting_;
    Callback callback_;
    std::function<void()> cancelHook_;
    bool valid_ = true;
};
