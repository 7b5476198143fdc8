#include "app/terminal/ReceivePresenter.h"

#include "app/text/filterString.h"
#include "devices/Device.h"
#include "toolkit/Clock.h"
#include "toolkit/TextView.h"

#include <algorithm>

ReceivePresenter::Shown ReceivePresenter::of(const Device* device)
{
    if (!device)
        return Shown{};
    return Shown{device->getAddr(), device->getRecvCount(), device->getRecvBuf().size()};
}

bool ReceivePresenter::isStale(const Device* device) const
{
    return !shown_ || of(device) != last_;
}

bool ReceivePresenter::hasNewBytes(const Device* device) const
{
    const Shown now = of(device);
    return shown_ && now.name == last_.name && now.count != last_.count;
}

void ReceivePresenter::show(const Device* device, int viewType, TextEncoding encoding)
{
    // What the user selected while holding the view stays as it is until they let go: rolled
    // on, it would fall off the front of the buffer and be gone before they copy it. The
    // device's buffer goes on filling meanwhile, and the view shows it all again after.
    if (shown_ && viewType == viewType_ && view_.isHeld() && view_.selectedRange().length > 0)
        return;
    shownAt_ = Clock::now();
    static const std::string nothing;
    const std::string& buffer = device ? device->getRecvBuf() : nothing;
    const Shown now = of(device);
    // The bytes shown last time that are still in the buffer lead it: the view keeps the
    // user's selection and reading place on them while older ones fall off the front.
    std::size_t keptBytes = 0;
    if (shown_ && viewType == viewType_ && now.name == last_.name && now.count >= last_.count) {
        const std::uint64_t added = now.count - last_.count;
        if (added < buffer.size())
            keptBytes = std::min(buffer.size() - static_cast<std::size_t>(added), last_.size);
    }
    std::size_t kept = 0;
    AttributedText text = filterString(buffer, viewType, keptBytes, kept, encoding);
    // One change: the new text and the request to keep to its end (a held view ignores it).
    view_.rollAttributedString(std::move(text), kept, true);
    last_ = now;
    viewType_ = viewType;
    shown_ = true;
}
