#include "app/console/ConsoleInput.h"

#include "app/console/appendUtf8.h"
#include "app/text/Utf8.h"

#include <algorithm>

namespace {

// How many bytes at the end of `bytes` begin a UTF-8 sequence that is not complete yet.
std::size_t incompleteTail(std::string_view bytes)
{
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, bytes.size()); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0x80)
            continue;
        const std::size_t needs = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return needs > back ? back : 0;
    }
    return 0;
}

// A C1 control (U+0080-U+009F, a byte of its own in Latin-1) goes to libvterm as its ESC pair,
// the form libvterm 0.1 reads well: as characters they could put its cursor off the screen.
void appendC1(std::string& out, char32_t control)
{
    out += '\x1b';
    out += static_cast<char>(control - 0x40);
}

} // namespace

void ConsoleInput::setEncoding(TextEncoding encoding)
{
    encoding_ = encoding;
    utf8Start_.clear();
}

std::string_view ConsoleInput::prepare(std::string_view bytes)
{
    return encoding_ == TextEncodingUtf8 ? prepareUtf8(bytes) : prepareLatin1(bytes);
}

// libvterm 0.1 takes any continuation byte as one, and so decodes controls out of bad
// sequences; and it reads a character split between two writes as two bad ones.
std::string_view ConsoleInput::prepareUtf8(std::string_view bytes)
{
    if (!utf8Start_.empty()) {
        joined_.assign(utf8Start_);
        joined_.append(bytes);
        utf8Start_.clear();
        bytes = joined_;
    }
    const std::size_t tail = incompleteTail(bytes);
    utf8Start_.assign(bytes.substr(bytes.size() - tail));
    bytes.remove_suffix(tail);
    out_.clear();
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            std::size_t end = i + 1;
            while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) < 0x80)
                ++end;
            out_.append(bytes.substr(i, end - i));
            i = end;
            continue;
        }
        char32_t ch = 0;
        const std::size_t length = utf8SequenceAt(bytes.substr(i), ch);
        if (length == 0) {
            appendUtf8(out_, U'\uFFFD');
            ++i;
            continue;
        }
        if (ch < 0xA0)
            appendC1(out_, ch);
        else
            out_.append(bytes.substr(i, length));
        i += length;
    }
    return out_;
}

// ASCII is the same in both: only the bytes above it are widened, and text without any goes
// on as it came.
std::string_view ConsoleInput::prepareLatin1(std::string_view bytes)
{
    const auto high = [](char byte) { return static_cast<unsigned char>(byte) >= 0x80; };
    auto next = std::find_if(bytes.begin(), bytes.end(), high);
    if (next == bytes.end())
        return bytes;
    out_.assign(bytes.begin(), next);
    while (next != bytes.end()) {
        const auto code = static_cast<unsigned char>(*next);
        if (code < 0xA0)
            appendC1(out_, code);
        else
            appendUtf8(out_, code);
        const auto ascii = next + 1;
        next = std::find_if(ascii, bytes.end(), high);
        out_.append(ascii, next);
    }
    return out_;
}
