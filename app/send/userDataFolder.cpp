#include "app/send/userDataFolder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    // A session started without HOME (a service, sudo -H aside) still has a home on record.
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return {};
}

} // namespace

std::string userDataFolder()
{
#ifdef __APPLE__
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + "/Library/Application Support/serialterm";
#else
    // The base directory rules: a relative XDG_DATA_HOME is invalid and is ignored.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/')
        return std::string(data) + "/serialterm";
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + "/.local/share/serialterm";
#endif
}
