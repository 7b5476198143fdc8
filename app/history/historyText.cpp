#include "app/history/historyText.h"

#include "app/history/gutterText.h"
#include "app/history/renderHistoryLine.h"

std::string copiedHistoryText(const HistoryStore& store, std::uint64_t from, std::uint64_t to, GutterMode gutter,
                              int viewType, TextEncoding encoding, bool withNotice)
{
    std::string text;
    StampText stamps;
    const std::string notice = store.startNotice();
    if (withNotice && !notice.empty()) {
        if (gutter != GutterMode::None)
            text.append(gutterWidth(gutter) + 1, ' ');
        text.append("--- ").append(notice).append(" ---\n");
    }
    std::optional<Moment> previous;
    if (from > store.firstLine() && from < store.endLine())
        previous = store.line(from - 1).at;
    std::optional<Moment> opened = from < store.endLine() ? store.openedAt(from) : std::nullopt;
    store.forEachLine(from, to, [&](const HistoryLine& line) {
        // Only a marker can be an opening of the port.
        if (line.marker)
            opened = store.openedAt(line.number);
        if (gutter != GutterMode::None) {
            appendGutterText(text, gutter, line.at, previous, opened, stamps);
            text.push_back(' ');
        }
        appendHistoryUtf8(text, line, viewType, encoding);
        text.push_back('\n');
        previous = line.at;
        return true;
    });
    return text;
}

void appendSavedHistoryLine(std::string& out, const HistoryLine& line, int viewType, TextEncoding encoding,
                            StampText& stamps)
{
    stamps.appendDateTime(out, line.at.wall);
    out.push_back(' ');
    appendCapturedUtf8(out, line, viewType, encoding);
    out.push_back('\n');
}

std::string savedStartNotice(const HistoryStore& store, StampText& stamps)
{
    const std::string notice = store.startNotice();
    if (notice.empty())
        return "";
    std::string out;
    stamps.appendDateTime(out, store.line(store.firstLine()).at.wall);
    return out.append(" --- ").append(notice).append(" ---\n");
}
