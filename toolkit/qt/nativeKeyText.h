// Tooltips name their keys in Mac glyphs ("Send   ⌘↵"); people elsewhere know them as
// "Ctrl+Return". nativeKeyText() rewrites each word made of modifier glyphs and one key into
// the platform's own notation; every other word, and a glyph word it cannot read, stays as is.
#pragma once

#include <QString>

#include <string>

// text is UTF-8.
QString nativeKeyText(const std::string& text);
