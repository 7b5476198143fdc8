// The undo and redo history of a string of code units, kept as the splices that changed it and
// never as copies of the whole, so a keystroke in a long text costs what it changed. Typing
// merges into one step a word at a time and deleting likewise; a pause, a caret move (endStep)
// or another kind of edit starts a new step. The owner applies the splices it is given back.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What made an edit, which decides what it merges with: keys that type, keys that delete, or
// anything else (paste, cut, a button, clearing), which is always a step of its own.
enum class EditKind { Typing, Deleting, Other };

class EditHistory {
public:
    using Clock = std::chrono::steady_clock;

    // At location, removed was replaced by inserted.
    struct Splice {
        std::size_t location = 0;
        std::u16string removed;
        std::u16string inserted;
        bool operator==(const Splice&) const = default;
    };

    // Keys further apart than this are separate steps, even in the middle of a word.
    static constexpr std::chrono::milliseconds pause{1500};
    // The oldest steps are forgotten beyond this many, or beyond this many code units held.
    static constexpr std::size_t maxSteps = 1000;
    static constexpr std::size_t maxUnits = std::size_t{1} << 23;

    // The splice that turns before into after, made by an edit of kind. Where several would
    // ("a" typed into "aa", "t" typed over "two" in "one two") the one chosen ends where the
    // edit left the caret in after, and for typing starts before it, as typing does.
    static Splice difference(EditKind kind, std::u16string_view before, std::u16string_view after, std::size_t caret);
    // Applies splice to text; answers the position after what it inserted, where the caret
    // goes. Text that does not hold what the splice removes is left alone, answering none.
    static std::optional<std::size_t> apply(std::u16string& text, const Splice& splice);

    // The text changed by change, made at now. A change that changes nothing is not a step.
    // Any change makes what was undone unreachable: redo is for undone steps only.
    void record(EditKind kind, Splice change, Clock::time_point now);

    bool canUndo() const { return !done_.empty(); }
    bool canRedo() const { return !undone_.empty(); }
    // The splice that takes the text back one step, or forward again; none when there is none.
    std::optional<Splice> undo();
    std::optional<Splice> redo();
    // The next edit starts a step of its own: the caret moved, or the text was shown anew.
    void endStep() { open_ = false; }
    void clear();
    // Whether every unit the history could put back satisfies keep.
    bool holdsOnly(const std::function<bool(char16_t)>& keep) const;

private:
    struct Step {
        EditKind kind;
        Splice splice;
        Clock::time_point last;
    };

    bool merge(EditKind kind, const Splice& change, Clock::time_point now);
    static std::size_t units(const Step& step) { return step.splice.removed.size() + step.splice.inserted.size(); }

    std::deque<Step> done_;
    std::vector<Step> undone_;
    std::size_t units_ = 0;
    bool open_ = false; // the newest step may take the next edit
};
