// Model of a text view: attributed text, a selection, typing colour, scroll requests.
// Code replaces the text whole; the user's edits arrive from a widget as splices, which keep
// every code unit (CR, LF, NUL, U+2028/2029) exactly as typed or inserted. The observer hears
// of each change once, and of nothing that changed nothing.
#pragma once

#include "toolkit/AttributedText.h"
#include "toolkit/Control.h"
#include "toolkit/EditHistory.h"

#include <cstdint>
#include <string_view>

struct TextViewDelegate;

class TextView : public Control {
public:
    const AttributedText& textStorage() const { return text_; }
    // Replaces the whole text. The selection stays where it was, clamped to the new text.
    // Setting the text it already has changes nothing and tells no one.
    void setAttributedString(const AttributedText& text);
    void setAttributedString(AttributedText&& text);
    // Replaces the text and sets the selection (clamped to the new text) as one change.
    void setAttributedString(AttributedText&& text, TextRange selection);
    const std::u16string& string() const { return text_.string(); }
    std::size_t length() const { return text_.length(); }

    // For a log that keeps only its newest part: replaces the text with one whose first `kept`
    // units are the old text's last `kept` units, the units before them having fallen off the
    // front. The selection stays on the characters it covered, less those that fell off, and
    // droppedCount() grows by what fell off, so a widget can move its own places with the text.
    // A text that does not start with the old one's last `kept` units is set as by
    // setAttributedString(), since nothing of the old text is known to be in it.
    // With showEnd, it also asks the widget to bring the end into view, in the same change.
    void rollAttributedString(AttributedText&& text, std::size_t kept, bool showEnd = false);
    // How many units have fallen off the front of the text in rolls since the view was made.
    std::uint64_t droppedCount() const { return dropped_; }

    // Whether the user holds the view still to read: set while they are away from the end or
    // have text selected, cleared when they come back to the end. While held, the widget lets
    // scroll requests go and keeps the characters in view where they are as the text rolls.
    // Emptying the text lets go: there is nothing left to hold on to.
    void setHeld(bool held);
    bool isHeld() const { return held_; }

    // Asks the widget to bring range into view; scrollRevision() counts the requests, so a
    // repeated request for the same range is seen as new.
    void scrollRangeToVisible(TextRange range);
    TextRange scrollRequest() const { return scrollRequest_; }
    std::uint64_t scrollRevision() const { return scrollRevision_; }

    // Colour of the text the user types next; nullptr types plain text.
    void setTypingAttributes(ColorRef color);
    const ColorRef& typingAttributes() const { return typingColor_; }

    // Not owned; nullptr for none.
    void setDelegate(TextViewDelegate* delegate) { delegate_ = delegate; }
    TextViewDelegate* delegate() const { return delegate_; }

    void setEditable(bool editable);
    bool isEditable() const { return editable_; }

    // Clamped to the text.
    void setSelectedRange(TextRange range);
    TextRange selectedRange() const { return selection_; }

    // Counts changes of the text, so a widget can tell a new text from a selection change.
    // A user edit counts one, before the delegate hears of it.
    std::uint64_t textRevision() const { return textRevision_; }

    // The user's edit: replace range (clamped to the text) with text in the typing colour,
    // an explicit colour, or the colours text carries; put the caret after it; tell the
    // delegate, then the observer, once, of the edit and whatever the delegate changed.
    // Ignored, answering false, when the view is not editable or its delegate refuses the text.
    bool userReplaceCharacters(TextRange range, std::u16string_view text);
    bool userReplaceCharacters(TextRange range, std::u16string_view text, const ColorRef& color);
    bool userReplaceCharacters(TextRange range, const AttributedText& text);
    // The same, of a kind an undo history tells apart. The overloads above take text as typing,
    // removal as deleting, and attributed text (a paste) as an edit of its own.
    bool userReplaceCharacters(TextRange range, std::u16string_view text, EditKind kind);
    // The kind of the user's latest edit, for the delegate hearing of it.
    EditKind userEditKind() const { return editKind_; }

    // Undo and redo belong to the delegate, which knows what the text stands for (it may rewrite
    // the text after every edit); without one that keeps a history there is nothing to undo.
    bool canUndo() const;
    bool canRedo() const;
    void undo();
    void redo();
    // The user moved the caret or the selection: the next edit is a new undo step.
    void breakUndoCoalescing();

private:
    TextRange clamped(TextRange range) const;
    void textReplaced();
    bool userSplice(TextRange range, std::u16string_view text, const ColorRef& color, EditKind kind);
    void userEdited(std::size_t caret, EditKind kind);
    void notify();

    AttributedText text_;
    TextRange selection_;
    TextRange scrollRequest_;
    std::uint64_t scrollRevision_ = 0;
    std::uint64_t textRevision_ = 0;
    std::uint64_t dropped_ = 0;
    ColorRef typingColor_;
    TextViewDelegate* delegate_ = nullptr;
    bool editable_ = true;
    bool inUserEdit_ = false;
    bool held_ = false;
    EditKind editKind_ = EditKind::Other;
};
