// What happened to a window's port, as its stream's consumers hear of it: opened with these
// settings, closed, gone (with the system's error when one told it), back after going, or a
// note of something under way on the line (a file transfer). Names may hold any byte.
#pragma once

#include "devices/PortSettings.h"
#include "toolkit/Moment.h"

#include <string>

struct PortEvent {
    enum class Kind {
        Opened,      // the window's port opened: name, settings, settingsTitle
        Closed,      // the window closed it, or left the device
        Gone,        // the device went away while read: error is its errno, 0 when none told it
        Reconnected, // the device waited for is open again: name, settings, settingsTitle
        Note,        // text says what goes on (a transfer started or ended)
    };

    Kind kind = Kind::Note;
    std::string name;
    PortSettings settings;
    // The settings as the window's title shows them: "115200 none-8-1 None".
    std::string settingsTitle;
    int error = 0;
    std::string text;
    Moment at;
};
