// The timestamp gutter's text for a history line, in a column of one width per mode, so the
// lines' text starts at one place. A line with nothing to measure from (the first line for
// "since the previous", a line before any opening the history knows of) gets blanks.
#pragma once

#include "app/history/GutterMode.h"
#include "app/history/HistoryStore.h"
#include "app/history/StampText.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Characters the gutter takes in mode: "14:02:11.310" is 12, "+12345.678" 10, none 0.
std::size_t gutterWidth(GutterMode mode);
// The gutter for line (of store), padded on the left to gutterWidth(mode); a time that needs
// more room takes it. stamps keeps the local time of the last second asked.
std::string gutterText(GutterMode mode, const HistoryStore& store, std::uint64_t line, StampText& stamps);
// The same for a line stamped at, after a line stamped previous, the port opened at opened,
// appended to out: for a caller that walks the lines in order and knows them already.
void appendGutterText(std::string& out, GutterMode mode, const Moment& at, const std::optional<Moment>& previous,
                      const std::optional<Moment>& opened, StampText& stamps);
