#include "app/describeOpenFailure.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>

namespace {

std::string owningGroup(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return "dialout";
    const group* entry = ::getgrgid(info.st_gid);
    return entry && entry->gr_name ? entry->gr_name : "dialout";
}

} // namespace

std::string describeOpenFailure(const std::string& path, int error)
{
    std::string text = "Cannot open " + path + ": " + std::strerror(error) + ".";
    if (error == EACCES || error == EPERM) {
        const std::string group = owningGroup(path);
        text += " Add your user to the group \"" + group + "\" that owns the device (sudo usermod -aG " +
                group + " $USER), then log in again.";
    }
    return text;
}
