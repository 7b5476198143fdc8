// One received line as a text capture writes it: the bytes rendered in a view mode, the
// way the receive view shows them, as UTF-8. The one place a capture renders text.
#pragma once

#include "app/text/TextEncoding.h"

#include <string>
#include <string_view>

// The bytes as the window shows them in viewType and encoding; the result has no line end of
// its own.
std::string renderCaptureLine(std::string_view bytes, int viewType, TextEncoding encoding = TextEncodingLatin1);
