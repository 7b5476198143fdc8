#include "app/console/ConsoleKeys.h"

#include "app/console/ConsoleEmulator.h"
#include "app/console/appendUtf8.h"

namespace {

// The control character Ctrl+ch has stood for since the teletype, or -1 when it has none.
int controlCharacter(char32_t ch)
{
    if (ch >= U'a' && ch <= U'z')
        return static_cast<int>(ch - U'a' + 1);
    if (ch >= U'@' && ch <= U'_') // @, A-Z, [, \, ], ^, _
        return static_cast<int>(ch - U'@');
    switch (ch) {
    case U' ':
    case U'2': return 0;
    case U'3': return 0x1B;
    case U'4': return 0x1C;
    case U'5': return 0x1D;
    case U'6': return 0x1E;
    case U'7':
    case U'/': return 0x1F;
    case U'8':
    case U'?': return 0x7F;
    default: return -1;
    }
}

} // namespace

std::string ConsoleKeys::enterBytes() const
{
    switch (enter_) {
    case Enter::LF: return "\n";
    case Enter::CRLF: return "\r\n";
    case Enter::CR: break;
    }
    return "\r";
}

std::string ConsoleKeys::press(ConsoleKey key, ConsoleModifiers modifiers)
{
    const std::string prefix = modifiers.alt ? "\x1b" : "";
    switch (key) {
    case ConsoleKey::Enter: return prefix + enterBytes();
    case ConsoleKey::Backspace:
        // Ctrl+Backspace is the other of the two, as in most terminals.
        return prefix + ((backspace_ == Backspace::BS) != modifiers.ctrl ? "\b" : "\x7f");
    default: break;
    }
    emulator_.key(key, modifiers);
    return emulator_.takeOutput();
}

std::string ConsoleKeys::encode(char32_t ch) const
{
    std::string bytes;
    if (emulator_.encoding() == TextEncodingLatin1) {
        if (ch <= 0xFF)
            bytes += static_cast<char>(ch);
        return bytes;
    }
    if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF))
        return bytes;
    appendUtf8(bytes, ch);
    return bytes;
}

std::string ConsoleKeys::type(char32_t ch, ConsoleModifiers modifiers)
{
    std::string bytes = modifiers.alt ? "\x1b" : "";
    if (modifiers.ctrl) {
        if (const int control = controlCharacter(ch); control >= 0)
            return bytes + static_cast<char>(control);
    }
    const std::string text = encode(ch);
    return text.empty() ? text : bytes + text;
}

std::string ConsoleKeys::paste(std::u32string_view text)
{
    emulator_.startPaste();
    std::string bytes = emulator_.takeOutput();
    // Inside brackets an ESC of the text could end the paste early and run the rest as keys.
    const bool bracketed = !bytes.empty();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t ch = text[i];
        if (ch == U'\r' || ch == U'\n') {
            // A line end of any platform's kind is one Enter.
            if (ch == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n')
                ++i;
            bytes += enterBytes();
            continue;
        }
        if (bracketed && ch == U'\x1b')
            continue;
        bytes += encode(ch);
    }
    emulator_.endPaste();
    bytes += emulator_.takeOutput();
    return bytes;
}
