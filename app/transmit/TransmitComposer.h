// The transmit editor's content as the characters it stands for. After every edit the editor
// is rendered anew in the window's view mode and encoding (so escapes turn gray as they are
// typed), keeping beside its text what each stand-in character is; undo steps are kept in the
// characters, so they mean the same in every mode; in Latin-1 a character beyond one byte is
// refused where it enters; and bytes() gives what Send writes.
#pragma once

#include "app/text/ByteStandIn.h"
#include "app/text/TextEncoding.h"
#include "toolkit/AttributedText.h"
#include "toolkit/EditHistory.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class TextView;

class TransmitComposer {
public:
    struct Rendering {
        int type = 0;
        TextEncoding encoding = TextEncodingLatin1;
        bool operator==(const Rendering&) const = default;
    };
    // rendering: the window's mode and encoding as they are now; status: what the user must know.
    TransmitComposer(TextView& editor, std::function<Rendering()> rendering,
                     std::function<void(const std::string&)> status);

    // Takes what the editor holds as the characters its undo history starts from.
    void adopt();
    // The user edited the editor: render it anew, as one undo step with the edit.
    void edited();
    // The user is about to replace range with text: false, having said why, when the encoding
    // cannot send it.
    bool accepts(TextRange range, std::u16string_view text);
    // The mode or the encoding changed from before: the same characters, rendered anew.
    void rerender(const Rendering& before);
    // Appends characters given by value (a value list, as the Values field takes it, bare
    // numbers read in base), all of them or, when a piece gives no byte, none; answers those
    // pieces, each with why.
    std::vector<std::string> appendValues(std::string_view values, int base = 10);
    void clear();
    // What the editor stands for as bytes, printing the lines decode() prints for it; nullopt,
    // having said why, when a character cannot go out as a byte. Without log, quietly: no
    // lines, no status.
    std::optional<std::string> bytes(bool log = true);
    // Puts a message's bytes in the editor (one recalled from the history), the caret after
    // them, as a step undo takes back.
    void show(std::string_view bytes);
    // The message went out: the editor empties, as a step undo brings it back from.
    void sent();

    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    void undo() { step(true); }
    void redo() { step(false); }
    void breakCoalescing() { history_.endStep(); }

    // "U+20AC" for the character at `at` of text, a surrogate pair counted as one; length, if
    // asked for, gets the units it takes.
    static std::string characterCode(std::u16string_view text, std::size_t at, std::size_t* length = nullptr);
    // How the refusal of a character the encoding cannot send ends, to tell when it applies.
    static const std::string_view refusalEnd;

private:
    // Shows characters in the mode; answers whether the editor now reads back as them (it does
    // not when the mode cannot show some of them).
    // pending: an escape the user is still typing, kept as typed at the caret.
    bool rebuild(std::u16string characters, std::size_t caret, std::u16string pending = {});
    // Makes characters the editor's content, as a step of kind. userEdited: the editor took
    // one user edit since it was last rebuilt.
    void change(std::u16string characters, std::size_t caret, EditKind kind, bool userEdited,
                std::u16string pending = {});
    void step(bool back);
    // What the last rebuild stands for, an escape left unfinished read as it stands.
    std::u16string withPending() const;
    // The editor's characters read in a rendering, with where its caret falls among them; with
    // pending, an escape the user is still typing at the caret is left out and put there.
    std::u16string read(const Rendering& rendering, std::size_t& caret, bool log, std::u16string* pending = nullptr) const;
    // Whether the editor still shows what the last rebuild gave it (plus userEdits user edits).
    bool current(const Rendering& rendering, std::uint64_t userEdits = 0) const;

    TextView& editor_;
    std::function<Rendering()> rendering_;
    std::function<void(const std::string&)> status_;
    // What the editor stands for since its last rebuild, with the revision that rebuild gave it
    // and the rendering it was shown in. While the editor still shows that revision, these are
    // the characters sent and the text the undo history's steps apply to.
    struct Rebuilt {
        std::u16string characters;
        std::uint64_t revision = 0;
        Rendering rendering;
        ByteStandIns standIns;
        std::u16string pending; // an escape being typed, shown plain at pendingAt
        std::size_t pendingAt = 0;
    };
    std::optional<Rebuilt> rebuilt_;
    // The user's edit under way: its range and how many units it puts there, so the stand-ins
    // after it move with the text.
    std::optional<std::pair<TextRange, std::size_t>> splice_;
    EditHistory history_;
};
