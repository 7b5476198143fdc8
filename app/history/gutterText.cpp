#include "app/history/gutterText.h"

#include <chrono>
#include <cstdio>

namespace {

std::string seconds(std::chrono::steady_clock::duration span, const char* sign)
{
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(span).count();
    char text[40];
    std::snprintf(text, sizeof text, "%s%lld.%03lld", sign, static_cast<long long>(millis / 1000),
                  static_cast<long long>(millis % 1000));
    return text;
}

} // namespace

std::size_t gutterWidth(GutterMode mode)
{
    switch (mode) {
    case GutterMode::Clock:
        return 12;
    case GutterMode::SincePrevious:
    case GutterMode::SincePortOpened:
        return 10;
    case GutterMode::None:
        break;
    }
    return 0;
}

void appendGutterText(std::string& out, GutterMode mode, const Moment& at, const std::optional<Moment>& previous,
                      const std::optional<Moment>& opened, StampText& stamps)
{
    const std::size_t start = out.size();
    if (mode == GutterMode::Clock)
        stamps.appendTime(out, at.wall);
    else if (mode == GutterMode::SincePrevious && previous)
        out += seconds(at.steady - previous->steady, "+");
    else if (mode == GutterMode::SincePortOpened && opened && opened->steady <= at.steady)
        out += seconds(at.steady - opened->steady, "");
    const std::size_t width = gutterWidth(mode);
    if (out.size() - start < width)
        out.insert(start, width - (out.size() - start), ' ');
}

std::string gutterText(GutterMode mode, const HistoryStore& store, std::uint64_t line, StampText& stamps)
{
    std::optional<Moment> previous;
    if (mode == GutterMode::SincePrevious && line > store.firstLine())
        previous = store.line(line - 1).at;
    std::string text;
    appendGutterText(text, mode, store.line(line).at, previous,
                     mode == GutterMode::SincePortOpened ? store.openedAt(line) : std::nullopt, stamps);
    return text;
}
