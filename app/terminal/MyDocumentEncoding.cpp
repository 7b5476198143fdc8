// The window's text encoding: how the bytes received and the bytes composed read as text, and
// the Latin-1 editor's refusal of characters that are not one byte.
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"

#include "app/text/appendLogText.h"
#include "toolkit/Utf16.h"

#include <algorithm>
#include <cstdio>

namespace {

const std::string_view refusalEnd = " cannot be sent as one byte; switch the text encoding to UTF-8 to send it";

} // namespace

void MyDocument::setTextEncoding(TextEncoding encoding)
{
    const TextEncoding oldEncoding = textEncoding_;
    textEncoding_ = encoding;
    // The same bytes may read as other characters now: nothing of the receive view is kept.
    receiveShown_ = false;
    updateRecieveTF(nullptr, 0);
    showSendTFAnew(viewType, oldEncoding);
    // The advice has been taken, or no longer applies.
    if (status_.ends_with(refusalEnd))
        setStatus("");
}

bool MyDocument::shouldChangeText(TextView& sender, TextRange, std::u16string_view text)
{
    if (&sender != &controls.sendTF || textEncoding_ != TextEncodingLatin1)
        return true;
    const auto wide = std::find_if(text.begin(), text.end(), [](char16_t unit) { return unit > 0xFF; });
    if (wide == text.end())
        return true;
    // Named as the user sees it: a surrogate pair is one character, shown with its own number.
    const std::size_t at = static_cast<std::size_t>(wide - text.begin());
    std::size_t length = 1;
    const std::string code = characterCode(text, at, &length);
    const char32_t character = length == 2 ? surrogatePairValue(text[at], text[at + 1]) : text[at];
    std::string name = code;
    // A lone surrogate half has no face, and a line or paragraph separator would break the line.
    if (!isHighSurrogate(character) && !isLowSurrogate(character) && character != 0x2028 && character != 0x2029) {
        name.clear();
        appendLogText(name, text.substr(at, length));
        name.append(" (").append(code).append(")");
    }
    setStatus(name.append(refusalEnd));
    return false;
}

std::string MyDocument::characterCode(std::u16string_view text, std::size_t at, std::size_t* length)
{
    char32_t character = text[at];
    std::size_t units = 1;
    if (isHighSurrogate(character) && at + 1 < text.size() && isLowSurrogate(text[at + 1])) {
        character = surrogatePairValue(character, text[at + 1]);
        units = 2;
    }
    if (length)
        *length = units;
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
    return code;
}
