#include "toolkit/TextView.h"

#include "toolkit/TextViewDelegate.h"

#include <algorithm>

namespace {

EditKind kindOf(std::u16string_view text)
{
    return text.empty() ? EditKind::Deleting : EditKind::Typing;
}

} // namespace

void TextView::setAttributedString(const AttributedText& text)
{
    if (text == text_)
        return;
    text_ = text;
    textReplaced();
}

void TextView::setAttributedString(AttributedText&& text)
{
    if (text == text_)
        return;
    text_ = std::move(text);
    textReplaced();
}

void TextView::setAttributedString(AttributedText&& text, TextRange selection)
{
    const bool newText = !(text == text_);
    if (newText) {
        text_ = std::move(text);
        ++textRevision_;
        held_ = held_ && !text_.empty();
    }
    selection = clamped(selection);
    if (!newText && selection == selection_)
        return;
    selection_ = selection;
    notify();
}

void TextView::rollAttributedString(AttributedText&& text, std::size_t kept, bool showEnd)
{
    const std::u16string_view before = text_.string();
    const std::u16string_view after = text.string();
    std::size_t gone = 0;
    if (kept > before.size() || kept > after.size() || before.substr(before.size() - kept) != after.substr(0, kept)) {
        // Nothing of the old text is known to be in the new one: a plain replacement.
        if (text == text_ && !showEnd)
            return;
    } else {
        gone = before.size() - kept;
        if (gone == 0 && text == text_ && !showEnd)
            return;
        const auto moved = [gone](std::size_t position) { return position > gone ? position - gone : 0; };
        const std::size_t from = moved(selection_.location);
        selection_ = TextRange{from, moved(selection_.end()) - from};
    }
    text_ = std::move(text);
    dropped_ += gone;
    if (showEnd) {
        scrollRequest_ = TextRange{text_.length(), 0};
        ++scrollRevision_;
    }
    textReplaced();
}

void TextView::textReplaced()
{
    ++textRevision_;
    selection_ = clamped(selection_);
    held_ = held_ && !text_.empty();
    notify();
}

void TextView::setHeld(bool held)
{
    if (held == held_)
        return;
    held_ = held;
    notify();
}

void TextView::notify()
{
    // Inside a user edit the observer hears once, after the delegate, of all it changed.
    if (!inUserEdit_)
        changed();
}

void TextView::scrollRangeToVisible(TextRange range)
{
    scrollRequest_ = clamped(range);
    ++scrollRevision_;
    notify();
}

void TextView::setTypingAttributes(ColorRef color)
{
    if (color == typingColor_)
        return;
    typingColor_ = std::move(color);
    notify();
}

void TextView::setEditable(bool editable)
{
    editable_ = editable;
    notify();
}

void TextView::setSelectedRange(TextRange range)
{
    range = clamped(range);
    if (range == selection_)
        return;
    selection_ = range;
    notify();
}

TextRange TextView::clamped(TextRange range) const
{
    const std::size_t location = std::min(range.location, text_.length());
    return TextRange{location, std::min(range.length, text_.length() - location)};
}

bool TextView::userReplaceCharacters(TextRange range, std::u16string_view text)
{
    return userSplice(range, text, typingColor_, kindOf(text));
}

bool TextView::userReplaceCharacters(TextRange range, std::u16string_view text, const ColorRef& color)
{
    return userSplice(range, text, color, kindOf(text));
}

bool TextView::userReplaceCharacters(TextRange range, std::u16string_view text, EditKind kind)
{
    return userSplice(range, text, typingColor_, kind);
}

bool TextView::userSplice(TextRange range, std::u16string_view text, const ColorRef& color, EditKind kind)
{
    if (!editable_)
        return false;
    range = clamped(range);
    if (delegate_ && !delegate_->shouldChangeText(*this, range, text))
        return false;
    text_.replaceCharacters(range, text, color);
    userEdited(range.location + text.size(), kind);
    return true;
}

bool TextView::userReplaceCharacters(TextRange range, const AttributedText& text)
{
    if (!editable_)
        return false;
    range = clamped(range);
    if (delegate_ && !delegate_->shouldChangeText(*this, range, text.string()))
        return false;
    // One splice per run of the inserted text: the first replaces the range, the rest follow it.
    std::size_t at = range.location;
    std::size_t remove = range.length;
    for (const AttributedText::Run& run : text.runs()) {
        text_.replaceCharacters(TextRange{at, remove}, text.runText(run), run.color);
        at += run.length;
        remove = 0;
    }
    if (remove > 0)
        text_.replaceCharacters(TextRange{at, remove}, {}, {});
    userEdited(at, EditKind::Other);
    return true;
}

void TextView::userEdited(std::size_t caret, EditKind kind)
{
    ++textRevision_;
    editKind_ = kind;
    selection_ = TextRange{caret, 0};
    if (delegate_) {
        // The delegate usually rewrites the text at once: a widget that followed the edit
        // first would lay out a text nobody sees, so it hears of both together.
        struct Restore {
            bool& flag;
            bool value;
            ~Restore() { flag = value; }
        } restore{inUserEdit_, inUserEdit_};
        inUserEdit_ = true;
        delegate_->textDidChange(*this);
    }
    notify();
}

bool TextView::canUndo() const
{
    return editable_ && delegate_ && delegate_->canUndo(*this);
}

bool TextView::canRedo() const
{
    return editable_ && delegate_ && delegate_->canRedo(*this);
}

void TextView::undo()
{
    if (canUndo())
        delegate_->undo(*this);
}

void TextView::redo()
{
    if (canRedo())
        delegate_->redo(*this);
}

void TextView::breakUndoCoalescing()
{
    if (delegate_)
        delegate_->breakUndoCoalescing(*this);
}
