// The quick-send macros: at most `limit` named messages, each held as its bytes, in the order
// of the bar's buttons (F1 is the first). Every change is written to the file at once; a
// file that is missing starts the set empty, one that can't be read or is damaged costs only
// the macros, and load() says so in a line for the status bar.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct Macro {
    std::string name;
    std::string bytes;
    bool operator==(const Macro&) const = default;
};

class MacroSet {
public:
    static constexpr std::size_t limit = 12;

    // `path` is the file it is kept in; an empty path keeps it in memory only.
    explicit MacroSet(std::string path);

    // Replaces what it holds with the file's macros; "" or the status line of what was lost.
    std::string load();
    const std::vector<Macro>& macros() const { return macros_; }

    // Each answers "" once done and saved, or the status line of what went wrong (a full
    // set, an index that isn't there, a failed write: the change is then kept in memory).
    std::string add(Macro macro);
    std::string edit(std::size_t index, Macro macro);
    // The macro at `from` goes to `to`; the ones between move up or down by one.
    std::string move(std::size_t from, std::size_t to);
    std::string remove(std::size_t index);
    // What the dialog hands back, all at once; beyond the limit the last ones are not kept.
    std::string replace(std::vector<Macro> macros);

    const std::string& path() const { return path_; }

private:
    std::string save();

    std::string path_;
    std::vector<Macro> macros_;
};
