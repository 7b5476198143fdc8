// The transmit editor: rebuilt in the view mode after every edit so escapes turn gray as
// they are typed, characters inserted by value, the view-mode switch, and sending.
#include "app/MyDocument.h"
#include "app/TerminalControls.h"

#include "app/decode.h"
#include "app/filterString.h"
#include "app/parseValueList.h"
#include "devices/Device.h"
#include "toolkit/AttributedText.h"
#include "toolkit/Log.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// How many characters the editor's text up to the caret stands for in a mode, so the caret
// can be put back after the same characters once the text is rendered anew.
std::size_t decodedCaret(const TextView& editor, int mode)
{
    const std::size_t caret = editor.selectedRange().end();
    const AttributedText& text = editor.textStorage();
    return decodeEscapes(text.attributedSubstring(TextRange{0, std::min(caret, text.length())}), mode).size();
}

} // namespace

void MyDocument::set_SendTF(const AttributedText& text)
{
    controls.sendTF.setAttributedString(text);
}

void MyDocument::rebuildSendTF(const std::u16string& decoded, std::size_t caretInDecoded)
{
    set_SendTF(filterString(decoded, viewType));
    const std::size_t before = std::min(caretInDecoded, decoded.size());
    controls.sendTF.setSelectedRange(TextRange{filterString(std::u16string_view(decoded).substr(0, before), viewType).length(), 0});
}

void MyDocument::textDidChange(TextView& sender)
{
    if (&sender != &controls.sendTF)
        return;
    updateSendTF();
    controls.sendTF.setTypingAttributes(nullptr);
}

void MyDocument::updateSendTF()
{
    const std::size_t caret = decodedCaret(controls.sendTF, viewType);
    rebuildSendTF(decode(controls.sendTF.textStorage(), viewType), caret);
}

void MyDocument::addNonPrintable(std::string_view values)
{
    std::u16string text = decode(controls.sendTF.textStorage(), viewType);
    text += parseValueList(values);
    // New characters always go to the end; the caret follows them.
    rebuildSendTF(text, text.size());
    controls.nonPrintTF.setStringValue("");
}

void MyDocument::addNonPrintableClicked(Control&)
{
    addNonPrintable(controls.nonPrintTF.stringValue());
}

void MyDocument::addNewLine(Control&)
{
    addNonPrintable("10");
}

void MyDocument::addCarRtrn(Control&)
{
    addNonPrintable("13");
}

void MyDocument::addTab(Control&)
{
    addNonPrintable("9");
}

void MyDocument::addNull(Control&)
{
    addNonPrintable("0");
}

void MyDocument::clearSend(Control&)
{
    set_SendTF(AttributedText());
}

void MyDocument::viewFilterClicked(SegmentedControl& sender)
{
    const int oldType = viewType;
    viewType = sender.selectedSegment();
    updateRecieveTF(nullptr, 0);
    const std::size_t caret = decodedCaret(controls.sendTF, oldType);
    rebuildSendTF(decode(controls.sendTF.textStorage(), oldType), caret);
    logLinef("INTERFACE: FILTER: %d clicked", sender.selectedSegment());
}

void MyDocument::sendClicked(Control&)
{
    decodeAndSend();
    logLine("INTERFACE: SEND button clicked");
}

void MyDocument::decodeAndSend()
{
    Device* device = getEnabledDevice();
    if (!device) {
        setStatus("No serial device to send to. Connect one and press refresh.");
        return;
    }
    const std::u16string text = decode(controls.sendTF.textStorage(), viewType);

    // One byte per character; a character beyond one byte can't be sent as it stands.
    std::string bytes;
    bytes.reserve(text.size());
    for (char16_t unit : text) {
        if (unit > 0xFF) {
            char name[16];
            std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(unit));
            setStatus(std::string("Cannot send ") + name +
                      ": only characters U+0000 to U+00FF go out, as the bytes 0 to 255. Nothing was sent.");
            return;
        }
        bytes.push_back(static_cast<char>(unit));
    }
    if (bytes.size() > INT_MAX) {
        setStatus("The message is too long to send at once. Nothing was sent.");
        return;
    }

    if (serial->sendOnPort(device, bytes.data(), static_cast<int>(bytes.size()))) {
        set_SendTF(AttributedText());
        setStatus("");
    } else if (device->getPortHandle() == -1) {
        setStatus(std::string("The port of ") + device->getAddr() + " is closed. Switch reading on to open it.");
    } else {
        setStatus(std::string("Sending to ") + device->getAddr() + " failed: " + std::strerror(serial->lastError()) + ".");
    }
}
