// Where the program keeps what it remembers for the user across runs (command history,
// macros): $XDG_DATA_HOME/serialterm, else ~/.local/share/serialterm; on macOS
// ~/Library/Application Support/serialterm. Only the path: nothing is created here.
#pragma once

#include <string>

// Empty when neither the data folder's variable nor a home folder can be found.
std::string userDataFolder();
