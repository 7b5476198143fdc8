// One window's capture: every byte its device delivers goes to a file, either exactly as it
// came (raw) or as text lines, each stamped with the local time of its first byte and
// rendered in the window's view mode, with marker lines for what happened to the port. A
// line ends at a line feed or when no byte came for `idleGap` (or at `maxLineBytes`). The disk is written by a
// CaptureWriter thread; nothing here waits on it, except stop() before the writer is done.
#pragma once

#include "app/capture/CaptureWriter.h"
#include "app/text/TextEncoding.h"
#include "toolkit/Moment.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <string_view>

class Capture {
public:
    enum class Format { Raw, Text };
    // When something happened: the steady clock measures gaps, the wall clock stamps lines.
    using Moment = ::Moment;
    static constexpr std::chrono::milliseconds idleGap{100};
    // A stream that never pauses and has no line feeds is cut into lines this long, so a
    // binary flood can't grow one line without end.
    static constexpr std::size_t maxLineBytes = 16384;

    // Creates or empties the file at path; nullptr, with the system's reason in error, when it
    // can't. A text capture's first line says it started.
    static std::unique_ptr<Capture> start(const std::string& path, Format format, int viewType, std::string& error,
                                          std::size_t queueLimit = CaptureWriter::defaultQueueLimit,
                                          Moment at = Moment::now());
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    // Stops as stop() does.
    ~Capture();

    // Bytes as read from the port. False once the capture can take no more (see failure()).
    bool received(std::string_view bytes, Moment at = Moment::now());
    // Ends a line that has waited `idleGap`; the window calls this on its ticks. Answers as
    // received() does.
    bool tick(Moment at = Moment::now());
    // A marker line, in a text capture only ("Port opened", ...); it ends the current line.
    void mark(std::string_view what, Moment at = Moment::now());
    // Lines from now on are rendered in this view mode.
    void setViewType(int type) { viewType_ = type; }
    void setTextEncoding(TextEncoding encoding) { encoding_ = encoding; }

    // Ends the capture: the last line, a stop marker (text), everything written, synced and
    // closed. Answers why the capture failed, "" when it did not. Later calls answer the same.
    std::string stop(Moment at = Moment::now());
    // The same, waiting at most `limit` for the disk: a writer still stuck then is left to end
    // on its own, and the answer says how many bytes it had not written.
    std::string stopWithin(std::chrono::milliseconds limit, Moment at = Moment::now());
    // Ends the capture as stop() does, without waiting for the disk: the capture takes no more
    // bytes, and once isFinished() stop() answers at once.
    void requestStop(Moment at = Moment::now());
    bool isFinished() const { return writer_.isFinished(); }
    // Why the capture can take no more, "" while it can.
    std::string failure() const { return writer_.failure(); }

    const std::string& path() const { return path_; }
    // Whether the path no longer leads to the file written (it was deleted or replaced):
    // what was written is then nowhere the user can find it. False for what is no regular file.
    bool fileIsGone() const;
    // Received bytes the capture took.
    std::uint64_t bytesCaptured() const { return captured_; }

private:
    Capture(std::string path, Format format, int viewType, FileDescriptor file, std::size_t queueLimit);
    void endLine();
    void appendStamp(std::chrono::system_clock::time_point wall);
    bool flush(bool force = false);

    std::string path_;
    std::optional<std::pair<dev_t, ino_t>> file_; // a regular file's device and inode
    Format format_;
    int viewType_;
    TextEncoding encoding_ = TextEncodingLatin1;
    CaptureWriter writer_;
    std::uint64_t captured_ = 0;
    bool stopped_ = false;
    bool finished_ = false;
    std::string stopResult_;
    // Text: the line being received, the wall time of its first byte, when its last byte came.
    std::string line_;
    std::chrono::system_clock::time_point lineStart_{};
    std::chrono::steady_clock::time_point lastByte_{};
    std::string out_; // rendered lines not yet handed to the writer
    // The stamp's date and time to the second, kept while the second lasts.
    std::chrono::system_clock::time_point::rep stampSecond_ = -1;
    std::string stampPrefix_;
};
