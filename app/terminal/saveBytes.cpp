#include "app/terminal/saveBytes.h"

#include "toolkit/openRegularFile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

std::string saveBytes(const std::string& path, std::string_view bytes)
{
    std::string refused;
    FileDescriptor file = openRegularFile(path, true, refused);
    if (!file)
        return refused;
    std::string_view rest(bytes);
    int error = 0;
    while (error == 0 && !rest.empty()) {
        const ssize_t written = ::write(file.get(), rest.data(), rest.size());
        if (written < 0 && errno != EINTR)
            error = errno;
        else if (written > 0)
            rest.remove_prefix(static_cast<std::size_t>(written));
    }
    if (error == 0 && ::fsync(file.get()) != 0 && errno != EINVAL)
        error = errno;
    if (error == 0 && ::close(file.release()) != 0 && errno != EINTR)
        error = errno;
    return error ? std::strerror(error) : "";
}
