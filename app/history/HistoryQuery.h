// What a find looks for, compiled once: plain text or a regular expression (PCRE2's syntax),
// matching case or not, in the UTF-16 text a history line shows. Matches are found in order,
// never overlap and are never empty; a line the matcher would spend too long on (a pattern
// that backtracks without end) gives up and counts as having none, and the query says so.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class HistoryQuery {
public:
    struct Options {
        bool regularExpression = false;
        bool matchCase = false;
    };

    // nullptr when pattern is empty or no regular expression; then error says why, as the find
    // bar shows it ("missing closing parenthesis at character 4").
    static std::unique_ptr<HistoryQuery> compile(std::u16string_view pattern, Options options, std::string& error);
    HistoryQuery(const HistoryQuery&) = delete;
    HistoryQuery& operator=(const HistoryQuery&) = delete;
    ~HistoryQuery();

    // The first match in text that starts at or after from: true, with its start and length.
    bool next(std::u16string_view text, std::size_t from, std::size_t& start, std::size_t& length) const;
    std::size_t count(std::u16string_view text) const;
    // Whether some line was given up on.
    bool gaveUp() const { return gaveUp_; }

private:
    struct Compiled;
    explicit HistoryQuery(std::unique_ptr<Compiled> compiled);

    std::unique_ptr<Compiled> compiled_;
    mutable bool gaveUp_ = false;
};
