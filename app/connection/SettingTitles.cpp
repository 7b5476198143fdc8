#include "app/connection/SettingTitles.h"

#include "devices/CharacterFormat.h"
#include "serial/SerialController.h"

namespace {

const std::string& entry(const std::vector<std::string>& titles, int flag)
{
    return titles.at(flag > 0 && static_cast<std::size_t>(flag) < titles.size() ? static_cast<std::size_t>(flag) : 0);
}

} // namespace

const std::vector<std::string>& SettingTitles::packetTypes()
{
    static const std::vector<std::string> titles{"none-8-1", "even-7-1", "odd-7-1"};
    return titles;
}

const std::vector<std::string>& SettingTitles::flowTypes()
{
    static const std::vector<std::string> titles{"None", "Xon/Xoff", "Hardware"};
    return titles;
}

std::string SettingTitles::packet(int flag)
{
    if (CharacterFormat::isCustomFlag(flag))
        return CharacterFormat::fromFlag(flag).title();
    return entry(packetTypes(), flag);
}

const std::string& SettingTitles::flow(int flag)
{
    return entry(flowTypes(), flag);
}

std::string SettingTitles::of(const PortSettings& settings)
{
    return std::to_string(SerialController::requestedRate(settings.baud)) + " " + packet(settings.packet) + " " +
           flow(settings.flow);
}
