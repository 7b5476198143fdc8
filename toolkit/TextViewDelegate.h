// What a text view tells the object that manages its contents.
// A view calls its delegate after each edit the user makes, never for changes made in code,
// so a delegate may rewrite the view's text from inside the call; the view's observer hears
// of the edit and the rewrite together, after it.
#pragma once

class TextView;

struct TextViewDelegate {
    virtual ~TextViewDelegate() = default;
    virtual void textDidChange(TextView& sender) = 0;
};
