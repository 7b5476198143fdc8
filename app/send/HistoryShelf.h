// The command histories of all devices, one per device name, each in a file of its own under
// the data folder's history/. Windows on the same device share its history; it is read the
// first time a window asks and written out when the last one lets it go.
#pragma once

#include "app/send/CommandHistory.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

class HistoryShelf {
public:
    // `folder` is where the files go (userDataFolder() for the program); empty keeps every
    // history in memory only.
    explicit HistoryShelf(std::string folder);

    // The device's history. `status` gets "" or the line load() gave when it was first read.
    std::shared_ptr<CommandHistory> forDevice(std::string_view deviceName, std::string* status = nullptr);
    // The file a device's history is kept in: the name with anything but letters, digits, '.',
    // '-' and '_' written %HH, so any device name makes one plain file name.
    std::string fileFor(std::string_view deviceName) const;

private:
    std::string folder_;
    std::map<std::string, std::weak_ptr<CommandHistory>, std::less<>> open_;
};
