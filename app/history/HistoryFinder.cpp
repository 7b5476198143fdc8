#include "app/history/HistoryFinder.h"

#include "app/history/renderHistoryLine.h"

#include <algorithm>

namespace {

using SteadyClock = std::chrono::steady_clock;

// Lines between looks at the clock: a few microseconds of work at most.
constexpr unsigned linesPerLook = 16;
// How long next() and previous() may look through lines the pass has not reached.
constexpr auto navigationBudget = std::chrono::milliseconds(10);

} // namespace

HistoryFinder::HistoryFinder(const HistoryStore& store)
    : store_(store)
{
}

std::string HistoryFinder::start(const Request& request)
{
    clear();
    request_ = request;
    query_ = HistoryQuery::compile(request.pattern, request.options, error_);
    if (!query_)
        return error_;
    const std::uint64_t first = store_.firstLine();
    const std::uint64_t end = store_.completeEnd();
    knownFirst_ = first;
    passFrom_ = scanned_ = first;
    passEnd_ = end;
    seeking_ = true;
    seekFrom_ = request.backward ? std::clamp(request.origin + 1, first, end) : std::clamp(request.origin, first, end);
    seekAt_ = seekFrom_;
    return "";
}

void HistoryFinder::clear()
{
    query_.reset();
    error_.clear();
    hits_.clear();
    cancelled_ = seeking_ = false;
    passFrom_ = passEnd_ = scanned_ = skipFrom_ = skipTo_ = 0;
    current_.reset();
    index_.reset();
}

void HistoryFinder::cancel()
{
    if (!active())
        return;
    cancelled_ = true;
    seeking_ = false;
}

bool HistoryFinder::hasWork() const
{
    return active() && !cancelled_ && (seeking_ || scanned_ < store_.completeEnd());
}

double HistoryFinder::progress() const
{
    if (passEnd_ <= passFrom_)
        return 1.0;
    const std::uint64_t done = std::min(scanned_, passEnd_) - std::min(passFrom_, scanned_);
    return static_cast<double>(done) / static_cast<double>(passEnd_ - passFrom_);
}

bool HistoryFinder::step(Deadline deadline)
{
    if (!active() || cancelled_)
        return false;
    follow();
    if (seeking_ && !seek(deadline))
        return true;
    pass(deadline);
    return hasWork();
}

std::size_t HistoryFinder::countOn(const HistoryLine& line) const
{
    shownHistoryText(line, request_.viewType, request_.encoding, text_);
    return query_->count(text_);
}

std::size_t HistoryFinder::countOn(std::uint64_t line) const
{
    if (!active() || line < store_.firstLine() || line >= store_.endLine())
        return 0;
    return countOn(store_.line(line));
}

std::vector<FindMatch> HistoryFinder::matchesOn(std::uint64_t line) const
{
    std::vector<FindMatch> matches;
    if (!active() || line < store_.firstLine() || line >= store_.endLine())
        return matches;
    shownHistoryText(store_.line(line), request_.viewType, request_.encoding, text_);
    std::size_t start = 0, length = 0;
    for (std::size_t from = 0; query_->next(text_, from, start, length); from = start + length)
        matches.push_back(FindMatch{line, start, length});
    return matches;
}

void HistoryFinder::follow()
{
    const std::uint64_t first = store_.firstLine();
    if (first <= knownFirst_)
        return;
    knownFirst_ = first;
    hits_.dropBefore(first, [this](std::uint64_t line) { return countOn(line); });
    scanned_ = std::max(scanned_, first);
    passFrom_ = std::max(passFrom_, first);
    passEnd_ = std::max(passEnd_, first);
    if (seeking_ && !request_.backward)
        seekAt_ = std::max(seekAt_, first);
    index_.reset();
    if (current_ && current_->line < first) {
        current_.reset();
        if (const auto line = hits_.firstLine())
            setCurrent(*line, 0, 0);
    }
}

std::optional<std::uint64_t> HistoryFinder::seekLine(std::uint64_t from, std::uint64_t to, bool backward,
                                                     Deadline deadline, std::uint64_t& lookedTo) const
{
    from = std::max(from, store_.firstLine());
    to = std::min(to, store_.endLine());
    std::optional<std::uint64_t> line;
    unsigned looks = 0;
    const auto late = [&] { return ++looks % linesPerLook == 0 && SteadyClock::now() >= deadline; };
    if (!backward) {
        lookedTo = std::max(from, to);
        store_.forEachLine(from, to, [&](const HistoryLine& at) {
            if (countOn(at) > 0)
                line = at.number;
            else if (!late())
                return true;
            lookedTo = at.number + 1;
            return false;
        });
        return line;
    }
    for (lookedTo = std::max(from, to); lookedTo > from;) {
        --lookedTo;
        if (countOn(store_.line(lookedTo)) > 0)
            return lookedTo;
        if (late())
            break;
    }
    return std::nullopt;
}

bool HistoryFinder::seek(Deadline deadline)
{
    const std::uint64_t end = store_.completeEnd();
    std::uint64_t looked = 0;
    if (!request_.backward) {
        const auto line = seekLine(seekAt_, end, false, deadline, looked);
        if (!line && looked < end) {
            seekAt_ = looked;
            return false;
        }
        skipFrom_ = seekFrom_;
        skipTo_ = line ? *line : end;
        if (line)
            setCurrent(*line, 0, std::nullopt);
    } else {
        const auto line = seekLine(store_.firstLine(), seekAt_, true, deadline, looked);
        if (!line && looked > store_.firstLine()) {
            seekAt_ = looked;
            return false;
        }
        skipFrom_ = line ? *line + 1 : store_.firstLine();
        skipTo_ = seekFrom_;
        if (line)
            setCurrent(*line, countOn(*line) - 1, std::nullopt);
    }
    seeking_ = false;
    return true;
}

bool HistoryFinder::pass(Deadline deadline)
{
    const std::uint64_t end = store_.completeEnd();
    bool late = false;
    unsigned looks = 0;
    while (!late && scanned_ < end) {
        if (scanned_ >= skipFrom_ && scanned_ < skipTo_) {
            scanned_ = skipTo_;
            continue;
        }
        const std::uint64_t stop = scanned_ < skipFrom_ ? std::min(end, skipFrom_) : end;
        store_.forEachLine(scanned_, stop, [&](const HistoryLine& line) {
            if (const std::size_t matches = countOn(line))
                found(line.number, matches);
            scanned_ = line.number + 1;
            late = ++looks % linesPerLook == 0 && SteadyClock::now() >= deadline;
            return !late;
        });
    }
    // Going back with nothing before the origin, the search wraps to the last match of all.
    if (!current_ && !searching() && hits_.total() > 0) {
        const std::uint64_t line = *hits_.lastLine();
        setCurrent(line, countOn(line) - 1, hits_.total() - 1);
    }
    return !late;
}

void HistoryFinder::found(std::uint64_t line, std::size_t matches)
{
    const std::uint64_t before = hits_.total();
    hits_.add(line, matches);
    if (current_ && current_->line == line && !index_)
        index_ = before + ordinal_;
    // Forward with nothing after the origin (or nothing at all until now), the first match of
    // all is the one: the pass meets it first.
    if (!current_ && !request_.backward)
        setCurrent(line, 0, before);
    else if (!current_ && !searching())
        setCurrent(line, 0, before);
}

void HistoryFinder::setCurrent(std::uint64_t line, std::size_t ordinal, std::optional<std::uint64_t> index)
{
    const std::vector<FindMatch> matches = matchesOn(line);
    if (ordinal >= matches.size())
        return;
    current_ = matches[ordinal];
    ordinal_ = ordinal;
    index_ = index;
}

std::optional<std::uint64_t> HistoryFinder::currentIndex() const
{
    if (!current_)
        return std::nullopt;
    if (!index_ && current_->line < scanned_)
        index_ = hits_.matchesBefore(current_->line, [this](std::uint64_t line) { return countOn(line); }) + ordinal_;
    return index_;
}

std::optional<bool> HistoryFinder::beforeMoving()
{
    if (!active())
        return false;
    follow();
    // Asked before the seek found the nearest match: it looks on a little now, and what it
    // finds is the one asked for.
    const bool had = current_.has_value();
    if (seeking_ && !seek(SteadyClock::now() + navigationBudget))
        return false;
    if (!had && current_)
        return true;
    return std::nullopt;
}

bool HistoryFinder::next()
{
    if (const auto decided = beforeMoving())
        return *decided;
    if (!current_) {
        const auto line = hits_.firstLine();
        if (line)
            setCurrent(*line, 0, 0);
        return line.has_value();
    }
    const std::uint64_t line = current_->line;
    const std::optional<std::uint64_t> index = index_ ? std::optional(*index_ + 1) : std::nullopt;
    if (ordinal_ + 1 < countOn(line)) {
        setCurrent(line, ordinal_ + 1, index);
        return true;
    }
    std::optional<std::uint64_t> after = hits_.lineAfter(line);
    if (!after && searching()) {
        // Beyond what the pass has counted: look on a little way.
        std::uint64_t looked = 0;
        after = seekLine(std::max(line + 1, scanned_), store_.completeEnd(), false,
                         SteadyClock::now() + navigationBudget, looked);
        if (!after)
            return false;
    }
    if (after)
        setCurrent(*after, 0, index);
    else
        setCurrent(*hits_.firstLine(), 0, 0);
    return true;
}

bool HistoryFinder::previous()
{
    if (const auto decided = beforeMoving())
        return *decided;
    if (!current_) {
        if (searching() || hits_.total() == 0)
            return false;
        const std::uint64_t line = *hits_.lastLine();
        setCurrent(line, countOn(line) - 1, hits_.total() - 1);
        return true;
    }
    const std::uint64_t line = current_->line;
    const std::optional<std::uint64_t> index =
        index_ && *index_ > 0 ? std::optional(*index_ - 1) : std::nullopt;
    if (ordinal_ > 0) {
        setCurrent(line, ordinal_ - 1, index);
        return true;
    }
    std::optional<std::uint64_t> before;
    if (scanned_ < line) {
        // The seek went back past where the pass has counted: look back among those lines first.
        std::uint64_t looked = 0;
        before = seekLine(scanned_, line, true, SteadyClock::now() + navigationBudget, looked);
        if (!before && looked > scanned_)
            return false;
    }
    if (!before)
        before = hits_.lineBefore(std::min(line, scanned_));
    if (before) {
        setCurrent(*before, countOn(*before) - 1, index);
        return true;
    }
    if (searching())
        return false;
    const std::uint64_t last = *hits_.lastLine();
    setCurrent(last, countOn(last) - 1, hits_.total() - 1);
    return true;
}

std::string HistoryFinder::summary() const
{
    if (!error_.empty())
        return error_;
    if (!active())
        return "";
    const bool going = seeking_ || searching();
    std::string text;
    if (count() == 0)
        text = going ? "No matches yet" : "No matches";
    else if (const auto index = currentIndex())
        text = std::to_string(*index + 1) + " of " + std::to_string(count());
    else
        text = std::to_string(count()) + " found";
    if (going && count() > 0)
        text += " so far";
    if (cancelled_)
        text += " (search stopped)";
    if (query_->gaveUp())
        text += "; some lines were too complex to search";
    return text;
}
