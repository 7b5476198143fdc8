// A history line as the history's views, find, copy and save show it: a data line in the
// window's view mode and text encoding, as the receive view and the text capture render its
// bytes (the LF or CR LF that ended it shows only where bytes show as numbers), and a marker
// as the text capture marks it, "--- Port cu.usb closed ---". The one place lines are rendered.
#pragma once

#include "app/history/HistoryLine.h"
#include "app/text/TextEncoding.h"
#include "toolkit/AttributedText.h"

#include <string>

// For a view: escapes in the escape gray.
AttributedText renderHistoryLine(const HistoryLine& line, int viewType, TextEncoding encoding);
// The same characters without their colours, into out (emptied first): what find searches.
void shownHistoryText(const HistoryLine& line, int viewType, TextEncoding encoding, std::u16string& out);
// The same as UTF-8, appended to out: what copy gives.
void appendHistoryUtf8(std::string& out, const HistoryLine& line, int viewType, TextEncoding encoding);
// As a text capture writes the line, which keeps a CR before the LF: what a save writes.
void appendCapturedUtf8(std::string& out, const HistoryLine& line, int viewType, TextEncoding encoding);
