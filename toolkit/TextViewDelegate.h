// What a text view tells the object that manages its contents, and asks of it: undo.
// A view calls its delegate after each edit the user makes, never for changes made in code,
// so a delegate may rewrite the view's text from inside the call; the view's observer hears
// of the edit and the rewrite together, after it.
#pragma once

#include "toolkit/AttributedText.h"

#include <string_view>

class TextView;

struct TextViewDelegate {
    virtual ~TextViewDelegate() = default;
    virtual void textDidChange(TextView& sender) = 0;
    // Asked before the user's edit replaces range with text (typed, pasted or dropped): a
    // delegate that cannot stand for the text refuses it, and the view stays as it was.
    virtual bool shouldChangeText(TextView&, TextRange, std::u16string_view) { return true; }

    // Undo and redo of the user's edits, which only the delegate can keep: it knows what the
    // text stands for. One that keeps no history offers nothing to undo.
    virtual bool canUndo(const TextView&) const { return false; }
    virtual bool canRedo(const TextView&) const { return false; }
    virtual void undo(TextView&) {}
    virtual void redo(TextView&) {}
    // The user moved the caret or the selection: the next edit is a step of its own.
    virtual void breakUndoCoalescing(TextView&) {}
};
