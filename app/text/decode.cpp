#include "app/text/decode.h"

#include "app/text/Utf8.h"
#include "app/text/ViewType.h"
#include "app/text/appendLogText.h"
#include "app/text/readByteValue.h"
#include "toolkit/Log.h"

#include <algorithm>
#include <utility>

namespace {

void logLineWith(std::string_view prefix, std::u16string_view text)
{
    std::string line(prefix);
    appendLogText(line, text);
    logLine(line);
}

// A gray stretch holds adjacent escapes, each starting with the separator. Whatever comes
// before the first separator is not an escape and is dropped, and so is a stretch with none.
// A number never runs into the next separator (a backslash is no digit, space or sign), so it
// is read straight from the stretch and the search for the next separator starts after it.
// With atCut, the stretch is also read as if it ended at cut, and *atCut gets the length the
// result had then. Escapes wholly before the cut read the same either way, so only the one
// the cut falls in is read again.
void appendEscapes(std::u16string& result, std::u16string_view stretch, std::u16string_view separator,
                   int base, std::size_t cut, std::size_t* atCut)
{
    std::size_t at = stretch.find(separator);
    while (at != std::u16string_view::npos) {
        const std::size_t start = at + separator.size();
        std::size_t used = 0;
        const auto value = readByteValue(stretch.substr(start), base, &used);
        const std::size_t next = start + used;
        if (atCut && next > cut) {
            const bool partOfIt = start <= cut && readByteValue(stretch.substr(start, cut - start), base);
            *atCut = result.size() + (partOfIt ? 1 : 0);
            atCut = nullptr;
        }
        if (value)
            result.push_back(static_cast<char16_t>(*value));
        // Escapes written by the filter adjoin, so look right after the number first.
        at = stretch.substr(next).starts_with(separator) ? next : stretch.find(separator, next);
    }
    if (atCut)
        *atCut = result.size();
}

// A gray stretch of the UTF-8 text view: its stand-ins give their bytes back, the characters
// between them their own UTF-8 bytes. With atCut, *atCut gets the result's length at cut.
void appendStoodFor(std::u16string& result, std::u16string_view stretch, std::size_t location,
                    const ByteStandIns& standIns, std::size_t cut, std::size_t* atCut)
{
    auto standIn = std::lower_bound(standIns.begin(), standIns.end(), location,
                                    [](const ByteStandIn& entry, std::size_t at) { return entry.at < at; });
    std::size_t i = 0;
    while (i <= stretch.size()) {
        const bool stands = standIn != standIns.end() && standIn->at < location + stretch.size();
        const std::size_t next = stands ? standIn->at - location : stretch.size();
        const std::u16string_view between = stretch.substr(i, next - i);
        if (atCut && cut <= next) {
            std::u16string before;
            appendUtf8Bytes(before, between.substr(0, cut - std::min(cut, i)));
            *std::exchange(atCut, nullptr) = result.size() + before.size();
        }
        appendUtf8Bytes(result, between);
        if (!stands)
            break;
        // A stand-in names only the gray U+FFFD the filter wrote there; anything else reads
        // as itself.
        if (stretch[next] == u'\uFFFD')
            result.push_back(standIn->byte);
        else
            appendUtf8Bytes(result, stretch.substr(next, 1));
        ++standIn;
        i = next + 1;
    }
    if (atCut)
        *atCut = result.size();
}

} // namespace

std::u16string decodeEscapes(const AttributedText& text, int type, std::size_t position, std::size_t* decodedPosition,
                             TextEncoding encoding, const ByteStandIns& standIns)
{
    const bool utf8 = encoding == TextEncodingUtf8;
    bool escaped = true;
    std::u16string_view separator;
    int base = 10;
    switch (type) {
    case ViewTypeMixed:
    case ViewTypeDecimal:
        separator = u"\\";
        break;
    case ViewTypeHex:
        separator = u"\\0x";
        base = 16;
        break;
    default:
        if (!utf8) {
            if (decodedPosition)
                *decodedPosition = std::min(position, text.length());
            return text.string();
        }
        escaped = false;
    }

    // Every escape stands for at most one unit and plain text is copied as it is, so the
    // result is never longer than the text; in UTF-8 a unit of text is at most three bytes.
    std::u16string result;
    result.reserve(text.length() * (utf8 ? 3 : 1));
    const ColorRef& gray = grayColor();
    std::size_t* pending = decodedPosition;
    for (const AttributedText::Run& run : text.runs()) {
        // The run the position falls in is read up to it as well; runs before it lie wholly
        // before it, and nothing after it counts.
        std::size_t* cutAt = nullptr;
        if (pending && position < run.location + run.length) {
            cutAt = pending;
            pending = nullptr;
        }
        const std::size_t cut = position - run.location;
        if (utf8 && !escaped && run.color == gray) {
            appendStoodFor(result, text.runText(run), run.location, standIns, cut, cutAt);
        } else if (utf8 && (!run.color || !escaped)) {
            if (cutAt) {
                std::u16string before;
                appendUtf8Bytes(before, text.runText(run).substr(0, cut));
                *cutAt = result.size() + before.size();
            }
            appendUtf8Bytes(result, text.runText(run));
        } else if (!run.color) {
            if (cutAt)
                *cutAt = result.size() + cut;
            result.append(text.runText(run));
        } else if (run.color == gray) {
            appendEscapes(result, text.runText(run), separator, base, cut, cutAt);
        } else if (cutAt) {
            *cutAt = result.size();
        }
    }
    if (pending)
        *pending = result.size();
    return result;
}

void logDecoded(std::u16string_view text, std::u16string_view decoded, int type, TextEncoding encoding)
{
    logLineWith("DECODED: BEFORE: ", text);
    if (type != ViewTypeMixed && type != ViewTypeDecimal && type != ViewTypeHex)
        return;
    if (encoding == TextEncodingUtf8)
        logLineWith("DECODED: AFTER: ", utf8Text(decoded));
    else
        logLineWith("DECODED: AFTER: ", decoded);
}

std::u16string decode(const AttributedText& text, int type, TextEncoding encoding, const ByteStandIns& standIns)
{
    std::u16string result = decodeEscapes(text, type, 0, nullptr, encoding, standIns);
    logDecoded(text.string(), result, type, encoding);
    return result;
}
