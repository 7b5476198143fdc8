// Writes bytes to a regular file, created or emptied, and syncs it, so a file said to be saved
// is on the disk. Answers "" when it was, else why not (a named pipe is refused, never opened).
#pragma once

#include <string>
#include <string_view>

std::string saveBytes(const std::string& path, std::string_view bytes);
