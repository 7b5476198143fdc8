#include "serial/PortHolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <utility>
#include <system_error>
#include <unistd.h>
#ifdef __linux__
#include <sys/sysmacros.h>
#endif

namespace {

namespace fs = std::filesystem;

// Processes come and go while /proc is read: every step takes an error code, none throws.
template <typename F>
void forEachEntry(const fs::path& folder, F&& f)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!f(it->path()))
            return;
    }
}

PortHolder holder(const fs::path& process, long pid)
{
    PortHolder holder{{}, static_cast<int>(pid)};
    std::getline(std::ifstream(process / "comm"), holder.command);
    return holder;
}

// The process that took the lock on the device: the kernel's lock table names it, where the
// descriptor tables also show whoever merely keeps the device open (socat keeps both ends of
// its pty, for one).
std::optional<PortHolder> lockHolder(const fs::path& device, const fs::path& procFolder)
{
#ifdef __linux__
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0)
        return std::nullopt;
    std::ifstream locks(procFolder / "locks");
    // "1: FLOCK  ADVISORY  WRITE 4242 00:1a:12 0 EOF"; waiters ("1: -> FLOCK ...") hold nothing.
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, file;
        long pid = 0;
        if (!(fields >> number >> kind >> mode >> access >> pid >> file) || kind != "FLOCK")
            continue;
        unsigned fileMajor = 0, fileMinor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(file.c_str(), "%x:%x:%llu", &fileMajor, &fileMinor, &inode) == 3 && fileMajor == major(info.st_dev) &&
            fileMinor == minor(info.st_dev) && inode == info.st_ino)
            return holder(procFolder / std::to_string(pid), pid);
    }
#else
    (void)device;
    (void)procFolder;
#endif
    return std::nullopt;
}

} // namespace

namespace {

// The processes with the device open by any descriptor: this one, and the first other one.
std::pair<std::optional<PortHolder>, std::optional<PortHolder>> openers(const fs::path& device, const fs::path& procFolder)
{
    std::optional<PortHolder> self;
    std::optional<PortHolder> other;
    forEachEntry(procFolder, [&](const fs::path& process) {
        const std::string name = process.filename().string();
        char* end = nullptr;
        const long pid = std::strtol(name.c_str(), &end, 10);
        if (name.empty() || *end != '\0' || pid <= 0)
            return true;
        forEachEntry(process / "fd", [&](const fs::path& fd) {
            std::error_code unreadable;
            if (fs::read_symlink(fd, unreadable) != device)
                return true;
            (pid == ::getpid() ? self : other) = holder(process, pid);
            return false;
        });
        return !other;
    });
    return {self, other};
}

} // namespace

std::optional<PortHolder> PortHolder::find(const std::string& path, const std::string& procFolder)
{
    std::error_code error;
    const fs::path device = fs::canonical(path, error);
    if (error)
        return std::nullopt;
    if (std::optional<PortHolder> locked = lockHolder(device, procFolder))
        return locked;
    // A holder that did not lock (only the tty's exclusive mode keeps us out) has it open.
    const auto [self, other] = openers(device, procFolder);
    return other ? other : self;
}

std::optional<PortHolder> PortHolder::otherUser(const std::string& path, const std::string& procFolder)
{
    std::error_code error;
    const fs::path device = fs::canonical(path, error);
    if (error)
        return std::nullopt;
    return openers(device, procFolder).second;
}
