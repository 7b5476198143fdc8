// Shows a device's receive buffer in the receive view, in the window's view mode and text
// encoding. It remembers what it showed last, so a redraw keeps the user's reading place on
// the bytes still in the buffer while older ones fall off the front, and so the document can
// tell when the buffer (shared with other windows) moved on. A held view with a selection is
// left as it is until the user lets go of it.
#pragma once

#include "app/text/TextEncoding.h"
#include "toolkit/Moment.h"

#include <cstdint>
#include <string>

class Device;
class TextView;

class ReceivePresenter {
public:
    explicit ReceivePresenter(TextView& view) : view_(view) {}

    // Shows device's buffer (an empty view without a device).
    void show(const Device* device, int viewType, TextEncoding encoding);
    // Whether the buffer differs from what was shown last, or nothing was shown since forget().
    bool isStale(const Device* device) const;
    // Whether the device took bytes since they were last shown (a view of another device, or
    // none, is no sign of data).
    bool hasNewBytes(const Device* device) const;
    // What is shown may no longer stand for the buffer: the next show() renders it all anew.
    void forget() { shown_ = false; }
    // When the view was last drawn.
    const Moment& shownAt() const { return shownAt_; }

private:
    struct Shown {
        std::string name;
        std::uint64_t count = 0; // bytes the device had received
        std::size_t size = 0;    // bytes its buffer held
        bool operator==(const Shown&) const = default;
    };
    static Shown of(const Device* device);

    TextView& view_;
    Shown last_;
    int viewType_ = 0;
    bool shown_ = false;
    Moment shownAt_;
};
