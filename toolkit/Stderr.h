// Messages for whoever started the program, on standard error: each one whole line, prefixed
// "serialterm: ", with control characters made visible (device names may hold any byte). Every
// unit writes its messages here, from any thread; tests take the lines through a sink.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace Stderr {

void line(std::string_view text);
// Answers the sink it replaces; an empty one restores standard error. The sink gets each
// line as written, newline included, and must not write here itself.
using Sink = std::function<void(std::string_view line)>;
Sink setSink(Sink sink);

} // namespace Stderr
