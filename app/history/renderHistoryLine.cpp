#include "app/history/renderHistoryLine.h"

#include "app/capture/renderCaptureLine.h"
#include "app/text/Utf8.h"
#include "app/text/ViewType.h"
#include "app/text/filterString.h"

namespace {

bool showsBytesAsNumbers(int viewType)
{
    return viewType == ViewTypeMixed || viewType == ViewTypeDecimal || viewType == ViewTypeHex;
}

// The bytes a text capture writes for the line: the line feed that ended it belongs to the
// line where bytes show as numbers, and only its end elsewhere.
std::string_view capturedBytes(const HistoryLine& line, int viewType)
{
    std::string_view bytes = line.bytes;
    if (bytes.ends_with('\n') && !showsBytesAsNumbers(viewType))
        bytes.remove_suffix(1);
    return bytes;
}

// The bytes the view shows: a CR before that line feed belongs to the line end too, as the
// receive view lays CR LF out.
std::string_view shownBytes(const HistoryLine& line, int viewType)
{
    std::string_view bytes = capturedBytes(line, viewType);
    if (bytes.size() < line.bytes.size() && bytes.ends_with('\r'))
        bytes.remove_suffix(1);
    return bytes;
}

void widen(std::string_view bytes, std::u16string& out)
{
    out.resize(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
}

std::u16string markerText(const HistoryLine& line)
{
    std::u16string bytes;
    widen(line.text, bytes);
    return u"--- " + utf8Text(bytes) + u" ---";
}

} // namespace

AttributedText renderHistoryLine(const HistoryLine& line, int viewType, TextEncoding encoding)
{
    if (line.marker)
        return AttributedText(markerText(line));
    std::u16string bytes;
    widen(shownBytes(line, viewType), bytes);
    return filterString(bytes, viewType, encoding);
}

void shownHistoryText(const HistoryLine& line, int viewType, TextEncoding encoding, std::u16string& out)
{
    if (line.marker) {
        out = markerText(line);
        return;
    }
    // Latin-1 text shows each byte as its character: no rendering to do, and find goes through
    // a whole history of it.
    widen(shownBytes(line, viewType), out);
    if (encoding == TextEncodingUtf8 || showsBytesAsNumbers(viewType))
        out = filterString(out, viewType, encoding).string();
}

void appendHistoryUtf8(std::string& out, const HistoryLine& line, int viewType, TextEncoding encoding)
{
    if (line.marker) {
        out.append("--- ").append(line.text).append(" ---");
    } else if (encoding == TextEncodingLatin1 && !showsBytesAsNumbers(viewType)) {
        // Each byte is its character: what renderCaptureLine() gives, without its four copies,
        // for a copy of all 64 MiB.
        for (const char byte : shownBytes(line, viewType)) {
            const auto unit = static_cast<unsigned char>(byte);
            if (unit < 0x80) {
                out.push_back(byte);
            } else {
                out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
                out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
            }
        }
    } else {
        out.append(renderCaptureLine(shownBytes(line, viewType), viewType, encoding));
    }
}

void appendCapturedUtf8(std::string& out, const HistoryLine& line, int viewType, TextEncoding encoding)
{
    if (line.marker)
        appendHistoryUtf8(out, line, viewType, encoding);
    else
        out.append(renderCaptureLine(capturedBytes(line, viewType), viewType, encoding));
}
