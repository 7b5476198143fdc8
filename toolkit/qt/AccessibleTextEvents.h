// Tells assistive technology what changed in a TextViewWidget, once the widget has caught up
// with its model: an editor's every edit as the text removed and inserted, with the caret and
// selection moves that screen readers follow; a read-only view's arriving text through a
// TextAnnouncer, the newest lines a few times a second at most, and only while the user is in it.
#pragma once

#include "toolkit/AttributedText.h"

#include <cstdint>
#include <functional>
#include <string>

class QAccessibleEvent;
class TextAnnouncer;
class TextViewWidget;

class AccessibleTextEvents {
public:
    explicit AccessibleTextEvents(TextViewWidget& view);

    void changed(bool textChanged, bool selectionChanged);
    TextAnnouncer& announcer() const { return *announcer_; }

    // Where an editor's events go instead of to assistive technology; an empty one puts that back.
    using Sink = std::function<void(QAccessibleEvent& event)>;
    void setSink(Sink sink);

private:
    bool listened() const;
    void tell(QAccessibleEvent& event) const;
    void edited();
    void arrived();
    void moved();

    TextViewWidget& view_;
    TextAnnouncer* announcer_; // the view's child
    Sink sink_;
    // An editor's text as assistive technology was last told it.
    std::u16string told_;
    std::size_t toldCaret_ = 0;
    TextRange toldSelection_;
    // Of a read-only view: how many units it has received, and where that count stood.
    std::uint64_t received_ = 0;
    std::uint64_t lastTotal_ = 0;
};
