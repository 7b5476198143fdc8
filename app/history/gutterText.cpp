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

std::string gutterText(GutterMode mode, const HistoryStore& store, std::uint64_t line, StampText& stamps)
{
    const Moment at = store.line(line).at;
    std::string text;
    if (mode == GutterMode::Clock) {
        stamps.appendTime(text, at.wall);
    } else if (mode == GutterMode::SincePrevious && line > store.firstLine()) {
        text = seconds(at.steady - store.line(line - 1).at.steady, "+");
    } else if (mode == GutterMode::SincePortOpened) {
        if (const auto opened = store.openedAt(line); opened && opened->steady <= at.steady)
            text = seconds(at.steady - opened->steady, "");
    }
    const std::size_t width = gutterWidth(mode);
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}
