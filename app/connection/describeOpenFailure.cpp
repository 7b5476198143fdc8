#include "app/connection/describeOpenFailure.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>

namespace {

// The group whose members may read and write the device, if joining it is the fix: not
// root, whose members are administrators anyway, and not a group the mode shuts out.
std::string groupToJoin(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || info.st_gid == 0)
        return {};
    if ((info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return {};
    const group* entry = ::getgrgid(info.st_gid);
    return entry && entry->gr_name ? entry->gr_name : std::string();
}

} // namespace

std::string describeOpenFailure(const std::string& path, int error)
{
    std::string text = "Cannot open " + path + ": " + std::strerror(error) + ".";
    if (error != EACCES && error != EPERM)
        return text;
    if (const std::string group = groupToJoin(path); !group.empty()) {
        text += " Add your user to the group \"" + group + "\" that owns the device (sudo usermod -aG " + group +
                " $USER), then log in again.";
    } else {
        text += " The device is not accessible to this user. Usually a udev rule gives serial devices to the "
                "group of the distribution's serial ports (dialout on Debian and Ubuntu, uucp on Arch and "
                "Fedora), which your user then joins.";
    }
    return text;
}

std::string describeBusyPort(const std::string& name, const std::optional<PortHolder>& holder)
{
    if (!holder)
        return name + " is busy";
    return name + " is in use by " + holder->command + " (pid " + std::to_string(holder->pid) + ")";
}

std::string describeRateShortfall(const std::string& name, int wanted, int running)
{
    if (running == 0 || running == wanted)
        return "";
    return name + " refused " + std::to_string(wanted) + " baud; it runs at " + std::to_string(running);
}
