#include "serial/PortHolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>

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

} // namespace

std::optional<PortHolder> PortHolder::find(const std::string& path, const std::string& procFolder)
{
    std::error_code error;
    const fs::path device = fs::canonical(path, error);
    if (error)
        return std::nullopt;
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
            PortHolder holder{{}, static_cast<int>(pid)};
            std::getline(std::ifstream(process / "comm"), holder.command);
            (pid == ::getpid() ? self : other) = holder;
            return false;
        });
        return !other;
    });
    return other ? other : self;
}
