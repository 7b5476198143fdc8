#include "toolkit/EditHistory.h"

#include <algorithm>

namespace {

// Letters and digits make words; spaces, punctuation and control characters (LF, NUL) part them.
// Beyond ASCII, a unit is taken as a letter unless it is one of the common spaces or marks.
bool isWordUnit(char16_t unit)
{
    if (unit < 0x80)
        return (unit >= u'0' && unit <= u'9') || (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') || unit == u'_';
    const bool latin1Marks = unit < 0xC0 || unit == 0xD7 || unit == 0xF7;
    const bool generalPunctuation = unit >= 0x2000 && unit < 0x2070;
    const bool ideographicPunctuation = unit >= 0x3000 && unit < 0x3040;
    return !latin1Marks && !generalPunctuation && !ideographicPunctuation;
}

// Whether text ending in left and text starting with right belong to one step: a word takes
// the spaces and punctuation that follow it, and a new word starts a new step. Deleting is
// cut the same way, so a Backspace run comes back as the words it took.
bool joins(char16_t left, char16_t right)
{
    return isWordUnit(left) || !isWordUnit(right);
}

} // namespace

EditHistory::Splice EditHistory::difference(EditKind kind, std::u16string_view before, std::u16string_view after,
                                            std::size_t caret)
{
    caret = std::min(caret, after.size());
    const std::size_t shorter = std::min(before.size(), after.size());
    // The common end, but only the part after the caret: the change reaches up to the caret.
    const std::size_t endLimit = std::min(shorter, after.size() - caret);
    const std::size_t end = static_cast<std::size_t>(
        std::mismatch(before.rbegin(), before.rbegin() + static_cast<std::ptrdiff_t>(endLimit), after.rbegin()).first
        - before.rbegin());
    std::size_t startLimit = shorter - end;
    if (kind == EditKind::Typing && caret > 0)
        startLimit = std::min(startLimit, caret - 1);
    const std::size_t start = static_cast<std::size_t>(
        std::mismatch(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(startLimit), after.begin()).first
        - before.begin());
    return Splice{start, std::u16string(before.substr(start, before.size() - start - end)),
                  std::u16string(after.substr(start, after.size() - start - end))};
}

std::optional<std::size_t> EditHistory::apply(std::u16string& text, const Splice& splice)
{
    if (splice.location > text.size() || std::u16string_view(text).substr(splice.location, splice.removed.size()) != splice.removed)
        return std::nullopt;
    text.replace(splice.location, splice.removed.size(), splice.inserted);
    return splice.location + splice.inserted.size();
}

void EditHistory::record(EditKind kind, Splice change, Clock::time_point now)
{
    if (change.removed.empty() && change.inserted.empty())
        return;
    for (const Step& step : undone_)
        units_ -= units(step);
    undone_.clear();
    if (!merge(kind, change, now)) {
        units_ += change.removed.size() + change.inserted.size();
        done_.push_back(Step{kind, std::move(change), now});
    }
    // The newest step is kept whatever its size: it is the one a user most wants back.
    while (done_.size() > 1 && (done_.size() > maxSteps || units_ > maxUnits)) {
        units_ -= units(done_.front());
        done_.pop_front();
    }
    open_ = kind != EditKind::Other;
}

bool EditHistory::merge(EditKind kind, const Splice& change, Clock::time_point now)
{
    if (!open_ || done_.empty() || kind == EditKind::Other)
        return false;
    Step& top = done_.back();
    Splice& step = top.splice;
    if (top.kind != kind || now - top.last >= pause)
        return false;
    if (kind == EditKind::Typing) {
        // Typed right after what the step typed. Typing over a selection starts a step, which
        // may go on: its undo gives the selection back.
        if (!change.removed.empty() || change.inserted.empty() || step.inserted.empty()
            || change.location != step.location + step.inserted.size() || !joins(step.inserted.back(), change.inserted.front()))
            return false;
        step.inserted += change.inserted;
    } else {
        if (!change.inserted.empty() || !step.inserted.empty() || change.removed.empty())
            return false;
        if (change.location + change.removed.size() == step.location && joins(change.removed.back(), step.removed.front())) {
            step.removed.insert(0, change.removed); // Backspace: what goes now stood before
            step.location = change.location;
        } else if (change.location == step.location && joins(step.removed.back(), change.removed.front())) {
            step.removed += change.removed; // Delete: it stood after
        } else {
            return false;
        }
    }
    units_ += change.removed.size() + change.inserted.size();
    top.last = now;
    return true;
}

std::optional<EditHistory::Splice> EditHistory::undo()
{
    open_ = false;
    if (done_.empty())
        return std::nullopt;
    undone_.push_back(std::move(done_.back()));
    done_.pop_back();
    const Splice& step = undone_.back().splice;
    return Splice{step.location, step.inserted, step.removed};
}

std::optional<EditHistory::Splice> EditHistory::redo()
{
    open_ = false;
    if (undone_.empty())
        return std::nullopt;
    done_.push_back(std::move(undone_.back()));
    undone_.pop_back();
    return done_.back().splice;
}

void EditHistory::clear()
{
    done_.clear();
    undone_.clear();
    units_ = 0;
    open_ = false;
}

bool EditHistory::holdsOnly(const std::function<bool(char16_t)>& keep) const
{
    const auto holds = [&keep](const Step& step) {
        return std::all_of(step.splice.removed.begin(), step.splice.removed.end(), keep)
            && std::all_of(step.splice.inserted.begin(), step.splice.inserted.end(), keep);
    };
    return std::all_of(done_.begin(), done_.end(), holds) && std::all_of(undone_.begin(), undone_.end(), holds);
}
