// Writes a small file so that a crash, a full disk or a power cut leaves either the old file
// or the new one, never a mix: a temporary file beside it, written, synced, renamed over it.
// The folders leading to it are made first.
#pragma once

#include <string>
#include <string_view>

// 0, or the errno of the step that failed (the old file is then untouched).
int saveFileAtomically(const std::string& path, std::string_view contents);
// The whole file into contents; 0, or the errno (ENOENT for a file that isn't there).
int readWholeFile(const std::string& path, std::string& contents);
