#include "toolkit/Stderr.h"

#include "toolkit/printableText.h"

#include <cerrno>
#include <mutex>
#include <unistd.h>
#include <utility>

namespace {

std::mutex& lock()
{
    static std::mutex mutex;
    return mutex;
}

Stderr::Sink& sink()
{
    static Stderr::Sink installed;
    return installed;
}

} // namespace

void Stderr::line(std::string_view text)
{
    std::string whole = "serialterm: ";
    whole += printableText(text);
    whole += '\n';
    const std::lock_guard guard(lock());
    if (sink()) {
        sink()(whole);
        return;
    }
    // One write for the line where the system takes it so, so lines from threads never mix.
    std::string_view rest(whole);
    while (!rest.empty()) {
        const ssize_t written = ::write(STDERR_FILENO, rest.data(), rest.size());
        if (written > 0)
            rest.remove_prefix(static_cast<std::size_t>(written));
        else if (written == 0 || errno != EINTR)
            return; // nobody to tell: the message is lost, the program goes on
    }
}

Stderr::Sink Stderr::setSink(Sink replacement)
{
    const std::lock_guard guard(lock());
    return std::exchange(sink(), std::move(replacement));
}
