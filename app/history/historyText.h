// Lines of a received history as text for others to read: as copy gives them (each line as
// the view shows it, after its gutter when the gutter shows one) and as a save writes them
// (in the text capture's format: the local date and time of the first byte, then the line).
// Both are UTF-8, a line feed after every line.
#pragma once

#include "app/history/GutterMode.h"
#include "app/history/HistoryStore.h"
#include "app/history/StampText.h"
#include "app/text/TextEncoding.h"

#include <cstdint>
#include <string>

// Lines [from, to) of store; withNotice puts the start notice (see HistoryStore) first.
std::string copiedHistoryText(const HistoryStore& store, std::uint64_t from, std::uint64_t to, GutterMode gutter,
                              int viewType, TextEncoding encoding, bool withNotice);
// "2026-12-07 18:04:05.123 Booting\n", or for a marker "2026-12-07 18:04:05.123 --- ... ---\n".
void appendSavedHistoryLine(std::string& out, const HistoryLine& line, int viewType, TextEncoding encoding,
                            StampText& stamps);
// The start notice as a saved marker line, "" while nothing was dropped.
std::string savedStartNotice(const HistoryStore& store, StampText& stamps);
