// Opens a file to write into, created if need be, refusing anything that is not a regular
// file: opening a named pipe nobody reads would hold the thread that asked until somebody
// does, and a device or socket is no file to keep what was received in. Never blocks.
#pragma once

#include "toolkit/FileDescriptor.h"

#include <string>

// emptied: the file is emptied as it opens. On failure the descriptor is invalid and error says
// why, in words ("it is a named pipe (FIFO), not a regular file", or the system's reason).
FileDescriptor openRegularFile(const std::string& path, bool emptied, std::string& error);
