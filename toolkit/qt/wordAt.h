// Words as a double-click and the editor's word-wise moves see them: a run of letters, digits
// and '_', a run of other visible characters, or a run of spaces and controls; a line break
// ends any run.
#pragma once

#include "toolkit/AttributedText.h"

#include <string_view>

// 1 for a letter, digit or '_', 0 for a space or control character, 2 for anything else.
int wordClass(char16_t unit);
// The run of one class around position (the last unit for a position past the end).
TextRange wordAt(std::u16string_view text, std::size_t position);
