// Brings a new window to what the command line asked: its port (a name, a path, a by-id link
// or a network address) chosen with the given settings stored first, so it opens once with
// them; the view mode, the text encoding and the captures. What cannot be done is told on the
// status bar and stderr; the window opens regardless, as it would without the option.
#pragma once

#include "app/startup/StartOptions.h"
#include "devices/DeviceList.h"

#include <string>
#include <string_view>

class MyDocument;

// The device list's name for a port as given: a path (a by-id link included) that leads to a
// listed device becomes its name; other text stays as it is.
std::string listedPortName(std::string_view given, DeviceList& devices);

// port: one of options.ports, or "" for a window on no particular port.
void startWindow(MyDocument& document, const StartOptions& options, const std::string& port);
