#include "toolkit/openRegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// What a file that is not a regular one is, for the user.
std::string kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a named pipe (FIFO)";
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a file";
}

} // namespace

FileDescriptor openRegularFile(const std::string& path, bool emptied, std::string& error)
{
    // Looked at first, so a named pipe is never opened at all; the descriptor is looked at
    // again, since the path may change in between.
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        error = "it is " + kindOf(status.st_mode) + ", not a regular file";
        return FileDescriptor();
    }
    FileDescriptor file(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | (emptied ? O_TRUNC : 0), 0666));
    if (!file) {
        error = std::strerror(errno);
        return file;
    }
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        error = "it is " + kindOf(status.st_mode) + ", not a regular file";
        return FileDescriptor();
    }
    // Writes to a regular file never wait on a reader; the flag only kept open() from doing so.
    ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    return file;
}
