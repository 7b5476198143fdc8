#include "app/plot/PlotLineReader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}
bool isSeparator(char c)
{
    return c == ',' || c == ';';
}
bool endsField(char c)
{
    return isBlank(c) || isSeparator(c);
}

std::size_t skipBlanks(std::string_view text, std::size_t i)
{
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

// Where the line ends, or npos. By hand: find_first_of calls memchr over its set once a byte.
std::size_t lineEnd(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r')
            return i;
    }
    return std::string_view::npos;
}

// A plain decimal of at most 15 digits (no exponent) as its digits over a power of ten: both
// are exact in a double and IEEE division rounds correctly, so the value is the one from_chars
// gives, several times faster. Anything else answers nullopt and goes to from_chars.
std::optional<double> shortDecimal(std::string_view field)
{
    static constexpr double powersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6, 1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::size_t i = 0;
    const bool negative = field[0] == '-';
    if (negative)
        ++i;
    std::uint64_t digits = 0;
    int count = 0;
    int fraction = -1; // digits after the point, once there is one
    for (; i < field.size(); ++i) {
        const char c = field[i];
        if (c >= '0' && c <= '9') {
            if (++count > 15)
                return std::nullopt;
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            if (fraction >= 0)
                ++fraction;
        } else if (c == '.' && fraction < 0) {
            fraction = 0;
        } else {
            return std::nullopt;
        }
    }
    if (count == 0)
        return std::nullopt;
    const double value = static_cast<double>(digits) / powersOfTen[std::max(fraction, 0)];
    return negative ? -value : value;
}

} // namespace

std::optional<double> PlotLineReader::number(std::string_view field)
{
    // from_chars takes a minus but not a plus; a second sign stays an error.
    if (!field.empty() && field[0] == '+') {
        field.remove_prefix(1);
        if (!field.empty() && (field[0] == '+' || field[0] == '-'))
            return std::nullopt;
    }
    if (field.empty())
        return std::nullopt;
    if (const auto decimal = shortDecimal(field))
        return decimal;
    double value = 0;
    const char* end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value, std::chars_format::general);
    if (error != std::errc{} || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool PlotLineReader::isName(std::string_view field) const
{
    if (field.empty() || field.size() > maxNameBytes)
        return false;
    for (const char c : field) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == ':' || c == '=')
            return false;
    }
    // "12:30" is a time, "nan" no number: a name that reads as one would not read back as a name.
    std::string_view bare = field;
    if (bare[0] == '+' || bare[0] == '-')
        bare.remove_prefix(1);
    double ignored = 0;
    const char* end = bare.data() + bare.size();
    const auto [stop, error] = std::from_chars(bare.data(), end, ignored);
    return stop != end || (error != std::errc{} && error != std::errc::result_out_of_range);
}

void PlotLineReader::feed(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t end = lineEnd(bytes);
        const std::string_view piece = bytes.substr(0, end);
        if (overlong_) {
            // The rest of a line too long to keep is passed over to its end.
        } else if (pending_.size() + piece.size() > maxLineBytes) {
            overlong_ = true;
            pending_.clear();
            ++skipped_;
        } else if (end == std::string_view::npos) {
            pending_.append(piece);
        } else if (pending_.empty()) {
            line(piece);
        } else {
            pending_.append(piece);
            line(pending_);
            pending_.clear();
        }
        if (end == std::string_view::npos)
            return;
        overlong_ = false;
        bytes.remove_prefix(end + 1);
    }
}

void PlotLineReader::restart()
{
    pending_.clear();
    overlong_ = false;
    headerOpen_ = true;
}

std::string_view PlotLineReader::columnName(std::size_t column)
{
    while (columnNames_.size() <= column) {
        const std::size_t next = columnNames_.size();
        const bool named = next < header_.size() && !header_[next].empty();
        columnNames_.push_back(named ? header_[next] : "value" + std::to_string(next + 1));
    }
    return columnNames_[column];
}

void PlotLineReader::line(std::string_view text)
{
    fields_.clear();
    words_.clear();
    bool onlyWords = true;
    std::string_view pendingName; // "temp: 21.5": the name waits for the next field's number
    std::size_t column = 0;
    std::size_t i = skipBlanks(text, 0);
    while (i < text.size() && column < maxFields) {
        if (isSeparator(text[i])) { // an empty field keeps its column
            ++column;
            i = skipBlanks(text, i + 1);
            continue;
        }
        // The field's end and its first name mark, in one pass.
        std::size_t j = i;
        std::size_t mark = std::string_view::npos;
        for (; j < text.size() && !endsField(text[j]); ++j) {
            if (mark == std::string_view::npos && (text[j] == ':' || text[j] == '='))
                mark = j - i;
        }
        const std::string_view field = text.substr(i, j - i);
        if (mark != std::string_view::npos && mark > 0 && isName(field.substr(0, mark))) {
            onlyWords = false;
            const std::string_view name = field.substr(0, mark);
            if (mark + 1 == field.size()) {
                pendingName = name;
            } else if (const auto value = number(field.substr(mark + 1))) {
                fields_.push_back({name, *value});
                pendingName = {};
            }
        } else if (const auto value = number(field)) {
            onlyWords = false;
            fields_.push_back({pendingName.empty() ? columnName(column) : pendingName, *value});
            if (pendingName.empty())
                headerOpen_ = false;
            pendingName = {};
        } else {
            if (mark == std::string_view::npos && isName(field))
                words_.push_back({column, field});
            else
                onlyWords = false;
            pendingName = {};
        }
        ++column;
        i = skipBlanks(text, j);
        if (i < text.size() && isSeparator(text[i]))
            i = skipBlanks(text, i + 1);
    }
    if (fields_.empty()) {
        if (onlyWords && headerOpen_ && !words_.empty()) {
            header_.assign(words_.back().first + 1, std::string());
            for (const auto& [at, word] : words_)
                header_[at] = word;
            columnNames_.clear();
        } else if (!text.empty()) {
            ++skipped_;
        }
        return;
    }
    ++samples_;
    sink_(fields_);
}
