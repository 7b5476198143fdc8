// Writes bytes to a file, created or emptied, and syncs it, so a file said to be saved is on
// the disk. Answers "" when it was, else the system's reason why not.
#pragma once

#include <string>
#include <string_view>

std::string saveBytes(const std::string& path, std::string_view bytes);
