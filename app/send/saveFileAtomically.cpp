#include "app/send/saveFileAtomically.h"

#include "toolkit/FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = ::write(fd, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return 0;
}

} // namespace

int saveFileAtomically(const std::string& path, std::string_view contents)
{
    const std::filesystem::path target(path);
    std::error_code made;
    std::filesystem::create_directories(target.parent_path(), made);
    if (made)
        return made.value();
    std::string temporary = path + ".XXXXXX";
    FileDescriptor file(::mkstemp(temporary.data()));
    if (!file)
        return errno;
    // What others may not read before stays so: the history holds what was typed to a device.
    ::fchmod(file.get(), 0600);
    int error = writeAll(file.get(), contents);
    if (error == 0 && ::fsync(file.get()) != 0)
        error = errno;
    if (error == 0 && ::close(file.release()) != 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    // The rename itself is on the disk only once the folder is synced.
    if (FileDescriptor folder(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); folder)
        ::fsync(folder.get());
    return 0;
}

int readWholeFile(const std::string& path, std::string& contents)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file)
        return errno;
    contents.clear();
    char chunk[16384];
    for (;;) {
        const ssize_t count = ::read(file.get(), chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        if (count == 0)
            return 0;
        contents.append(chunk, static_cast<std::size_t>(count));
    }
}
