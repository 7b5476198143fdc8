#include "app/history/HistorySaver.h"

#include "app/history/historyText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Text is handed to the disk in pieces about this big: few system calls, little memory.
constexpr std::size_t pieceBytes = std::size_t{1} << 20;

const char* const notRegular = "it is not a regular file (the history is saved only to files)";

} // namespace

std::unique_ptr<HistorySaver> HistorySaver::start(const std::string& path, Format format,
                                                  std::shared_ptr<const HistoryStore> snapshot, int viewType,
                                                  TextEncoding encoding, std::string& error)
{
    // Without waiting: a FIFO nobody reads fails at once (ENXIO) instead of holding the window.
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    if (!file) {
        error = errno == ENXIO ? notRegular : std::strerror(errno);
        return nullptr;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    if (!S_ISREG(status.st_mode)) {
        error = notRegular;
        return nullptr;
    }
    // Emptied only once it is known to be a file: a FIFO or device is never truncated.
    if (::ftruncate(file.get(), 0) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    error.clear();
    return std::unique_ptr<HistorySaver>(
        new HistorySaver(path, format, std::move(snapshot), viewType, encoding, std::move(file)));
}

HistorySaver::HistorySaver(std::string path, Format format, std::shared_ptr<const HistoryStore> snapshot,
                           int viewType, TextEncoding encoding, FileDescriptor file)
    : path_(std::move(path)), format_(format), snapshot_(std::move(snapshot)), viewType_(viewType),
      encoding_(encoding), file_(std::move(file))
{
    thread_ = std::thread([this] { run(); });
}

HistorySaver::~HistorySaver()
{
    cancel();
    thread_.join();
}

bool HistorySaver::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        if (cancelled_.load(std::memory_order_relaxed)) {
            result_ = "cancelled";
            return false;
        }
        const ssize_t done = ::write(file_.get(), bytes.data(), std::min(bytes.size(), pieceBytes));
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0) {
            result_ = std::strerror(errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(done));
        written_.fetch_add(static_cast<std::uint64_t>(done), std::memory_order_relaxed);
    }
    return true;
}

void HistorySaver::run()
{
    const HistoryStore& store = *snapshot_;
    bool written = true;
    if (format_ == Format::Raw) {
        store.forEachByteRun([&](std::string_view bytes) { written = written && write(bytes); });
    } else {
        StampText stamps;
        std::string out = savedStartNotice(store, stamps);
        out.reserve(pieceBytes + 4096);
        store.forEachLine(store.firstLine(), store.endLine(), [&](const HistoryLine& line) {
            appendSavedHistoryLine(out, line, viewType_, encoding_, stamps);
            if (out.size() < pieceBytes)
                return true;
            written = write(out);
            out.clear();
            return written;
        });
        written = written && write(out);
    }
    if (written && ::fsync(file_.get()) != 0) {
        result_ = std::strerror(errno);
        written = false;
    }
    // A close can report what the writes did not (a full disk over NFS).
    if (::close(file_.release()) != 0 && written)
        result_ = std::strerror(errno);
    finished_.store(true, std::memory_order_release);
}
