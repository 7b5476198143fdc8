// The transmit editor: rebuilt in the view mode after every edit so escapes turn gray as
// they are typed, characters inserted by value, the view-mode switch, undo, and sending.
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"

#include "app/text/ViewType.h"
#include "app/text/decode.h"
#include "app/text/filterString.h"
#include "app/text/parseValueList.h"
#include "devices/Device.h"
#include "toolkit/AttributedText.h"
#include "toolkit/Log.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// The editor's characters read in a mode, with the lines decode() prints, and in caret where
// its caret falls among them, so it can be put back after the same characters once the text
// is rendered anew.
std::u16string readEditor(const TextView& editor, int mode, TextEncoding encoding, std::size_t& caret)
{
    std::u16string characters =
        decodeEscapes(editor.textStorage(), mode, editor.selectedRange().end(), &caret, encoding);
    logDecoded(editor.string(), characters, mode, encoding);
    return characters;
}

// Whether characters rendered in mode read back as themselves: escapes stand only for bytes,
// and mixed mode renders only the low byte, so anything above U+00FF does not.
bool readsBack(std::u16string_view characters, int mode)
{
    if (mode != ViewTypeMixed && mode != ViewTypeDecimal && mode != ViewTypeHex)
        return true;
    return std::all_of(characters.begin(), characters.end(), [](char16_t unit) { return unit <= 0xFF; });
}

} // namespace

void MyDocument::set_SendTF(const AttributedText& text)
{
    controls.sendTF.setAttributedString(text);
}

bool MyDocument::rebuildSendTF(std::u16string decoded, std::size_t caretInDecoded)
{
    // One rendering gives the text and the caret, and the editor takes both as one change.
    TextView& editor = controls.sendTF;
    std::size_t caret = 0;
    AttributedText shown = filterString(decoded, viewType, caretInDecoded, caret, textEncoding_);
    editor.setAttributedString(std::move(shown), TextRange{caret, 0});
    // What the mode cannot show reads back as what it shows instead, and that is what would be
    // sent: the editor stands for that now.
    const bool same = readsBack(decoded, viewType);
    if (!same)
        decoded = decodeEscapes(editor.textStorage(), viewType, 0, nullptr, textEncoding_);
    rebuilt_ = Rebuilt{std::move(decoded), editor.textRevision(), viewType, textEncoding_};
    return same;
}

void MyDocument::adoptSendTF()
{
    const TextView& editor = controls.sendTF;
    std::size_t caret = 0;
    std::u16string characters =
        decodeEscapes(editor.textStorage(), viewType, editor.selectedRange().end(), &caret, textEncoding_);
    rebuildSendTF(std::move(characters), caret);
    sendHistory_.clear();
}

void MyDocument::changeSendTF(std::u16string characters, std::size_t caret, EditKind kind, bool userEdited)
{
    const TextView& editor = controls.sendTF;
    std::optional<std::u16string> before;
    if (rebuilt_ && rebuilt_->type == viewType && rebuilt_->encoding == textEncoding_
        && rebuilt_->revision + (userEdited ? 1 : 0) == editor.textRevision())
        before = std::move(rebuilt_->characters);
    rebuildSendTF(std::move(characters), caret);
    // Text put in the editor by other code leaves nothing known to undo the next step to.
    if (before)
        sendHistory_.record(kind, EditHistory::difference(kind, *before, rebuilt_->characters, caret),
                            std::chrono::steady_clock::now());
    else
        sendHistory_.clear();
}

void MyDocument::stepSendTF(bool back)
{
    if (!rebuilt_ || rebuilt_->type != viewType || rebuilt_->encoding != textEncoding_
        || rebuilt_->revision != controls.sendTF.textRevision()) {
        sendHistory_.clear();
        return;
    }
    const std::optional<EditHistory::Splice> step = back ? sendHistory_.undo() : sendHistory_.redo();
    if (!step)
        return;
    std::u16string characters = rebuilt_->characters;
    const std::optional<std::size_t> caret = EditHistory::apply(characters, *step);
    // Steps are kept only while they read back in the mode (see viewFilterClicked), so every
    // step puts back exactly the characters it had; should one not, the history is wrong.
    if (!caret || !rebuildSendTF(std::move(characters), *caret))
        sendHistory_.clear();
}

bool MyDocument::canUndo(const TextView& sender) const
{
    return &sender == &controls.sendTF && sendHistory_.canUndo();
}

bool MyDocument::canRedo(const TextView& sender) const
{
    return &sender == &controls.sendTF && sendHistory_.canRedo();
}

void MyDocument::undo(TextView& sender)
{
    if (&sender == &controls.sendTF)
        stepSendTF(true);
}

void MyDocument::redo(TextView& sender)
{
    if (&sender == &controls.sendTF)
        stepSendTF(false);
}

void MyDocument::breakUndoCoalescing(TextView& sender)
{
    if (&sender == &controls.sendTF)
        sendHistory_.endStep();
}

std::u16string MyDocument::sendTFCharacters()
{
    const TextView& editor = controls.sendTF;
    if (rebuilt_ && rebuilt_->revision == editor.textRevision() && rebuilt_->type == viewType
        && rebuilt_->encoding == textEncoding_) {
        logDecoded(editor.string(), rebuilt_->characters, viewType, textEncoding_);
        return rebuilt_->characters;
    }
    return decode(editor.textStorage(), viewType, textEncoding_);
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
    // The rebuild is part of the user's edit: one step, which undoes to what was shown before.
    std::size_t caret = 0;
    std::u16string characters = readEditor(controls.sendTF, viewType, textEncoding_, caret);
    changeSendTF(std::move(characters), caret, controls.sendTF.userEditKind(), true);
}

void MyDocument::addNonPrintable(std::string_view values)
{
    std::u16string text = sendTFCharacters();
    std::vector<std::string> skipped;
    text += parseValueList(values, &skipped);
    // New characters always go to the end; the caret follows them.
    const std::size_t end = text.size();
    changeSendTF(std::move(text), end, EditKind::Other, false);
    controls.nonPrintTF.setStringValue("");
    // Every piece that gave no byte is named, so nothing is left out without a word.
    std::string reasons;
    for (const std::string& reason : skipped)
        reasons += (reasons.empty() ? "" : "; ") + reason;
    if (!reasons.empty())
        setStatus(reasons + ".");
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
    changeSendTF({}, 0, EditKind::Other, false);
}

void MyDocument::viewFilterClicked(SegmentedControl& sender)
{
    const int oldType = viewType;
    viewType = sender.selectedSegment();
    updateRecieveTF(nullptr, 0);
    showSendTFAnew(oldType, textEncoding_);
    logLinef("INTERFACE: FILTER: %d clicked", sender.selectedSegment());
}

void MyDocument::showSendTFAnew(int oldType, TextEncoding oldEncoding)
{
    const bool known = rebuilt_ && rebuilt_->type == oldType && rebuilt_->encoding == oldEncoding
                       && rebuilt_->revision == controls.sendTF.textRevision();
    std::size_t caret = 0;
    std::u16string characters = readEditor(controls.sendTF, oldType, oldEncoding, caret);
    const bool same = rebuildSendTF(std::move(characters), caret);
    // A new mode or encoding is no step: undo goes on in it, on the same characters. If the mode cannot
    // show some of those characters (the editor's or any step's), undo would bring back text
    // that reads as something else, so the history goes.
    const auto shows = [this](char16_t unit) { return readsBack(std::u16string_view(&unit, 1), viewType); };
    if (known && same && sendHistory_.holdsOnly(shows))
        sendHistory_.endStep();
    else
        sendHistory_.clear();
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
        setStatus(waiting_ ? waiting_->name + " was disconnected; waiting for it to come back. Nothing was sent."
                           : "No serial device to send to. Connect one and press refresh.");
        return;
    }
    const std::u16string text = sendTFCharacters();

    // One byte per character; a character beyond one byte can't be sent as it stands.
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit > 0xFF) {
            setStatus("Cannot send " + characterCode(text, i) +
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
        // Undo brings the message back, to send again or change.
        changeSendTF({}, 0, EditKind::Other, false);
        setStatus("");
    } else if (device->getPortHandle() == -1) {
        setStatus(std::string("The port of ") + device->getAddr() + " is closed. Switch reading on to open it.");
    } else {
        setStatus(std::string("Sending to ") + device->getAddr() + " failed: " + std::strerror(serial->lastError()) + ".");
    }
}
