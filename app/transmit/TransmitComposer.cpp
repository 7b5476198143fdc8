#include "app/transmit/TransmitComposer.h"

#include "app/text/ViewType.h"
#include "app/text/appendLogText.h"
#include "app/text/decode.h"
#include "app/text/filterString.h"
#include "app/text/parseValueList.h"
#include "app/transmit/typedEscapes.h"
#include "toolkit/TextView.h"
#include "toolkit/Utf16.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

// Whether characters rendered in mode read back as themselves: escapes stand only for bytes,
// and mixed mode renders only the low byte, so anything above U+00FF does not.
bool readsBack(std::u16string_view characters, int mode)
{
    if (mode != ViewTypeMixed && mode != ViewTypeDecimal && mode != ViewTypeHex)
        return true;
    return std::all_of(characters.begin(), characters.end(), [](char16_t unit) { return unit <= 0xFF; });
}

// The stand-ins of a text after range was replaced by `inserted` units: those in the range
// went with it, those after it moved.
ByteStandIns spliced(const ByteStandIns& standIns, TextRange range, std::size_t inserted)
{
    ByteStandIns result;
    for (const ByteStandIn& standIn : standIns) {
        if (standIn.at < range.location)
            result.push_back(standIn);
        else if (standIn.at >= range.end())
            result.push_back({standIn.at - range.length + inserted, standIn.byte});
    }
    return result;
}

} // namespace

const std::string_view TransmitComposer::refusalEnd =
    " cannot be sent as one byte; switch the text encoding to UTF-8 to send it";

TransmitComposer::TransmitComposer(TextView& editor, std::function<Rendering()> rendering,
                                   std::function<void(const std::string&)> status)
    : editor_(editor), rendering_(std::move(rendering)), status_(std::move(status))
{
}

bool TransmitComposer::current(const Rendering& rendering, std::uint64_t userEdits) const
{
    return rebuilt_ && rebuilt_->rendering == rendering && rebuilt_->revision + userEdits == editor_.textRevision();
}

std::u16string TransmitComposer::read(const Rendering& rendering, std::size_t& caret, bool log,
                                     std::u16string* pending) const
{
    // The stand-ins apply to the editor as the last rebuild left it, and after the user's one
    // edit since, moved with it.
    ByteStandIns standIns;
    if (current(rendering))
        standIns = rebuilt_->standIns;
    else if (current(rendering, 1) && splice_)
        standIns = spliced(rebuilt_->standIns, splice_->first, splice_->second);
    const std::size_t at = editor_.selectedRange().end();
    std::optional<TextRange> unfinished;
    const AttributedText text = markTypedEscapes(editor_.textStorage(), rendering.type,
                                                 pending ? std::optional<std::size_t>(at) : std::nullopt, &unfinished);
    std::u16string characters;
    if (unfinished) {
        // The escape being typed stays as typed; the characters are those around it.
        *pending = editor_.string().substr(unfinished->location, unfinished->length);
        characters = decodeEscapes(text.attributedSubstring(TextRange{0, unfinished->location}), rendering.type, 0,
                                   nullptr, rendering.encoding);
        caret = characters.size();
        characters += decodeEscapes(text.attributedSubstring(TextRange{at, text.length() - at}), rendering.type, 0,
                                    nullptr, rendering.encoding);
    } else {
        characters = decodeEscapes(text, rendering.type, at, &caret, rendering.encoding, standIns);
    }
    if (log)
        logDecoded(editor_.string(), characters, rendering.type, rendering.encoding);
    return characters;
}

bool TransmitComposer::rebuild(std::u16string characters, std::size_t caret, std::u16string pending)
{
    // One rendering gives the text and the caret, and the editor takes both as one change.
    const Rendering rendering = rendering_();
    std::size_t shownCaret = 0;
    ByteStandIns standIns;
    AttributedText shown;
    if (pending.empty()) {
        shown = filterString(characters, rendering.type, caret, shownCaret, rendering.encoding, &standIns);
    } else {
        // An escape still being typed stays plain at the caret, between its neighbours rendered.
        caret = std::min(caret, characters.size());
        shown = filterString(std::u16string_view(characters).substr(0, caret), rendering.type, rendering.encoding);
        shown.append(pending);
        shownCaret = shown.length();
        shown.append(filterString(std::u16string_view(characters).substr(caret), rendering.type, rendering.encoding));
    }
    editor_.setAttributedString(std::move(shown), TextRange{shownCaret, 0});
    splice_.reset();
    // What the mode cannot show reads back as what it shows instead, and that is what would be
    // sent: the editor stands for that now.
    const bool same = readsBack(characters, rendering.type);
    if (!same)
        characters = decodeEscapes(editor_.textStorage(), rendering.type, 0, nullptr, rendering.encoding, standIns);
    rebuilt_ = Rebuilt{std::move(characters), editor_.textRevision(), rendering, std::move(standIns), std::move(pending),
                       caret};
    return same;
}

std::u16string TransmitComposer::withPending() const
{
    std::u16string characters = rebuilt_->characters;
    // An escape left unfinished at the caret stands for what it reads as now.
    if (!rebuilt_->pending.empty()) {
        const int type = rebuilt_->rendering.type;
        characters.insert(rebuilt_->pendingAt,
                          decodeEscapes(markTypedEscapes(AttributedText(rebuilt_->pending), type, std::nullopt), type));
    }
    return characters;
}

void TransmitComposer::adopt()
{
    std::size_t caret = 0;
    std::u16string characters = read(rendering_(), caret, false);
    rebuild(std::move(characters), caret);
    history_.clear();
}

void TransmitComposer::change(std::u16string characters, std::size_t caret, EditKind kind, bool userEdited,
                              std::u16string pending)
{
    std::optional<std::u16string> before;
    if (current(rendering_(), userEdited ? 1 : 0))
        before = std::move(rebuilt_->characters);
    rebuild(std::move(characters), caret, std::move(pending));
    // Text put in the editor by other code leaves nothing known to undo the next step to.
    if (before)
        history_.record(kind, EditHistory::difference(kind, *before, rebuilt_->characters, caret),
                        std::chrono::steady_clock::now());
    else
        history_.clear();
}

void TransmitComposer::edited()
{
    // The rebuild is part of the user's edit: one step, which undoes to what was shown before.
    std::size_t caret = 0;
    std::u16string pending;
    std::u16string characters = read(rendering_(), caret, true, &pending);
    change(std::move(characters), caret, editor_.userEditKind(), true, std::move(pending));
}

void TransmitComposer::step(bool back)
{
    if (!current(rendering_())) {
        history_.clear();
        return;
    }
    const std::optional<EditHistory::Splice> step = back ? history_.undo() : history_.redo();
    if (!step)
        return;
    std::u16string characters = rebuilt_->characters;
    const std::optional<std::size_t> caret = EditHistory::apply(characters, *step);
    // Steps are kept only while they read back in the mode (see rerender), so every step puts
    // back exactly the characters it had; should one not, the history is wrong.
    if (!caret || !rebuild(std::move(characters), *caret))
        history_.clear();
}

void TransmitComposer::rerender(const Rendering& before)
{
    const bool known = current(before);
    std::size_t caret = 0;
    std::u16string characters = read(before, caret, true);
    const bool same = rebuild(std::move(characters), caret);
    // A new mode or encoding is no step: undo goes on in it, on the same characters. If the
    // mode cannot show some of those characters (the editor's or any step's), undo would bring
    // back text that reads as something else, so the history goes.
    const int type = rendering_().type;
    const auto shows = [type](char16_t unit) { return readsBack(std::u16string_view(&unit, 1), type); };
    if (known && same && history_.holdsOnly(shows))
        history_.endStep();
    else
        history_.clear();
}

std::vector<std::string> TransmitComposer::appendValues(std::string_view values, int base)
{
    std::vector<std::string> skipped;
    const std::u16string added = parseValueList(values, &skipped, base);
    if (!skipped.empty())
        return skipped;
    std::size_t caret = 0;
    std::u16string text = current(rendering_()) ? withPending() : read(rendering_(), caret, true);
    if (current(rendering_()))
        logDecoded(editor_.string(), text, rendering_().type, rendering_().encoding);
    text += added;
    // New characters always go to the end; the caret follows them.
    const std::size_t end = text.size();
    change(std::move(text), end, EditKind::Other, false);
    return skipped;
}

void TransmitComposer::clear()
{
    change({}, 0, EditKind::Other, false);
}

void TransmitComposer::show(std::string_view bytes)
{
    std::u16string characters;
    characters.reserve(bytes.size());
    for (const char byte : bytes)
        characters.push_back(static_cast<unsigned char>(byte));
    const std::size_t end = characters.size();
    change(std::move(characters), end, EditKind::Other, false);
}

void TransmitComposer::sent()
{
    // Undo brings the message back, to send again or change.
    change({}, 0, EditKind::Other, false);
}

std::optional<std::string> TransmitComposer::bytes(bool log)
{
    const Rendering rendering = rendering_();
    std::u16string text;
    if (current(rendering)) {
        text = withPending();
        if (log)
            logDecoded(editor_.string(), text, rendering.type, rendering.encoding);
    } else {
        std::size_t caret = 0;
        text = read(rendering, caret, log);
    }
    // One byte per character; a character beyond one byte can't be sent as it stands.
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] > 0xFF) {
            if (log)
                status_("Cannot send " + characterCode(text, i) +
                        ": only characters U+0000 to U+00FF go out, as the bytes 0 to 255. Nothing was sent.");
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(text[i]));
    }
    return bytes;
}

bool TransmitComposer::accepts(TextRange range, std::u16string_view text)
{
    if (rendering_().encoding != TextEncodingLatin1 ||
        std::none_of(text.begin(), text.end(), [](char16_t unit) { return unit > 0xFF; })) {
        splice_ = {range, text.size()};
        return true;
    }
    // Named as the user sees it: a surrogate pair is one character, shown with its own number.
    const auto wide = std::find_if(text.begin(), text.end(), [](char16_t unit) { return unit > 0xFF; });
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
    status_(name.append(refusalEnd));
    return false;
}

std::string TransmitComposer::characterCode(std::u16string_view text, std::size_t at, std::size_t* length)
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
