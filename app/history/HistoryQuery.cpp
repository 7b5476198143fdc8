#define PCRE2_CODE_UNIT_WIDTH 16
#include "app/history/HistoryQuery.h"

#include <pcre2.h>

#include <cstdint>

namespace {

// Enough for any sensible pattern over a line of 16 KiB, and little enough that one line can't
// hold the window up.
constexpr std::uint32_t matchLimit = 1'000'000;

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct ContextDeleter {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};

PCRE2_SPTR units(std::u16string_view text)
{
    static_assert(sizeof(char16_t) == sizeof(PCRE2_UCHAR));
    return reinterpret_cast<PCRE2_SPTR>(text.data());
}

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit < 0xDC00;
}

} // namespace

struct HistoryQuery::Compiled {
    std::unique_ptr<pcre2_code, CodeDeleter> code;
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> data;
    std::unique_ptr<pcre2_match_context, ContextDeleter> context;
};

std::unique_ptr<HistoryQuery> HistoryQuery::compile(std::u16string_view pattern, Options options, std::string& error)
{
    error.clear();
    if (pattern.empty())
        return nullptr;
    // Rendered lines are well-formed UTF-16, but should one ever hold a lone surrogate it is
    // still searched: what is not a character simply never matches.
    std::uint32_t flags = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
    if (!options.regularExpression)
        flags |= PCRE2_LITERAL;
    if (!options.matchCase)
        flags |= PCRE2_CASELESS;
    int code = 0;
    PCRE2_SIZE offset = 0;
    auto compiled = std::make_unique<Compiled>();
    compiled->code.reset(pcre2_compile(units(pattern), pattern.size(), flags, &code, &offset, nullptr));
    if (!compiled->code) {
        PCRE2_UCHAR message[256];
        const int length = pcre2_get_error_message(code, message, sizeof message / sizeof message[0]);
        for (int i = 0; i < length; ++i)
            error.push_back(message[i] < 0x80 ? static_cast<char>(message[i]) : '?');
        error += " at character " + std::to_string(offset + 1);
        return nullptr;
    }
    // Without the JIT (a platform that lacks it) the interpreter matches the same, slower.
    pcre2_jit_compile(compiled->code.get(), PCRE2_JIT_COMPLETE);
    compiled->data.reset(pcre2_match_data_create_from_pattern(compiled->code.get(), nullptr));
    compiled->context.reset(pcre2_match_context_create(nullptr));
    pcre2_set_match_limit(compiled->context.get(), matchLimit);
    return std::unique_ptr<HistoryQuery>(new HistoryQuery(std::move(compiled)));
}

HistoryQuery::HistoryQuery(std::unique_ptr<Compiled> compiled)
    : compiled_(std::move(compiled))
{
}

HistoryQuery::~HistoryQuery() = default;

bool HistoryQuery::next(std::u16string_view text, std::size_t from, std::size_t& start, std::size_t& length) const
{
    while (from <= text.size()) {
        const int result = pcre2_match(compiled_->code.get(), units(text), text.size(), from, 0, compiled_->data.get(),
                                       compiled_->context.get());
        if (result < 0) {
            if (result != PCRE2_ERROR_NOMATCH)
                gaveUp_ = true;
            return false;
        }
        const PCRE2_SIZE* found = pcre2_get_ovector_pointer(compiled_->data.get());
        if (found[1] > found[0]) {
            start = found[0];
            length = found[1] - found[0];
            return true;
        }
        // An empty match is no match: look again one character on.
        from = found[1] + (found[1] + 1 < text.size() && isHighSurrogate(text[found[1]]) ? 2 : 1);
    }
    return false;
}

std::size_t HistoryQuery::count(std::u16string_view text) const
{
    std::size_t found = 0, start = 0, length = 0;
    for (std::size_t from = 0; next(text, from, start, length); from = start + length)
        ++found;
    return found;
}
