#include "app/send/HistoryShelf.h"

HistoryShelf::HistoryShelf(std::string folder)
    : folder_(std::move(folder))
{
}

std::shared_ptr<CommandHistory> HistoryShelf::forDevice(std::string_view deviceName, std::string* status)
{
    if (status)
        status->clear();
    const auto found = open_.find(deviceName);
    if (found != open_.end()) {
        if (std::shared_ptr<CommandHistory> history = found->second.lock())
            return history;
    }
    auto history = std::make_shared<CommandHistory>(folder_.empty() ? std::string() : fileFor(deviceName));
    std::string loaded = history->load();
    if (status)
        *status = std::move(loaded);
    open_[std::string(deviceName)] = history;
    return history;
}

std::string HistoryShelf::fileFor(std::string_view deviceName) const
{
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    std::string name;
    for (const char c : deviceName) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9')
                           || byte == '.' || byte == '-' || byte == '_';
        if (plain) {
            name.push_back(c);
        } else {
            name.push_back('%');
            name.push_back(hexDigits[byte >> 4]);
            name.push_back(hexDigits[byte & 0xF]);
        }
    }
    return folder_ + "/history/" + name + ".history";
}
