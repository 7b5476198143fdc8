// Turns what the clipboard or a drop offers into attributed text for an editor.
// Rich text keeps the colour each stretch was given (as a colour of its own, never the escape
// gray); plain text has no colour. Paragraph and line breaks become LF.
#pragma once

#include "toolkit/AttributedText.h"

class QMimeData;

AttributedText pastedText(const QMimeData& data);
