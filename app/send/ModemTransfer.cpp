#include "app/send/ModemTransfer.h"

#include "devices/Port.h"
#include "toolkit/Clock.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// How often the child's progress, its end and the far end's silence are looked at. Not at each
// readiness of its standard error: with -vv lrzsz writes a progress line every block, and a
// wake-up for each took a quarter of a fast link's speed away from the child.
constexpr double checkSeconds = 0.01;

} // namespace

ModemTransfer::ModemTransfer(Port& port)
    : port_(port)
{
}

ModemTransfer::~ModemTransfer()
{
    onFinished_ = nullptr;
    onProgress_ = nullptr;
    if (isRunning()) {
        cancel();
        // Nobody waits for the end now: the child is killed and reaped on the spot.
        child_.reset();
        finish(Outcome::Cancelled);
    }
}

std::vector<std::string> ModemTransfer::arguments(const Request& request) const
{
    std::vector<std::string> argv{findLrzsz(request.protocol, request.sending), "-vv"};
    if (request.sending) {
        if (request.protocol == ModemProtocol::Zmodem)
            argv.push_back("-b"); // the bytes as they are, whatever the receiver asks
        for (const std::string& file : request.files)
            argv.push_back(std::filesystem::absolute(file).string());
    } else if (request.protocol == ModemProtocol::Xmodem) {
        // lrzsz refuses to receive into a path with folders in it; it runs in the file's folder.
        argv.push_back(std::filesystem::path(request.files.front()).filename().string());
    } else {
        argv.push_back("-E"); // never overwrite: a name taken gets a new one
    }
    return argv;
}

std::string ModemTransfer::start(Request request)
{
    const std::string_view name = protocolName(request.protocol);
    if (isRunning())
        return "A transfer is running already.";
    if (findLrzsz(request.protocol, request.sending).empty())
        return lrzszMissingStatus(request.protocol);
    if (port_.descriptor() == -1)
        return "The port is closed. Switch reading on to open it.";
    if (port_.pendingBytes() > 0)
        return "Output is still going out to the port; try again once it has.";
    const bool oneFile = request.protocol == ModemProtocol::Xmodem;
    if (request.files.empty() && (request.sending || oneFile))
        return std::string(name) + (request.sending ? " needs a file to send." : " needs the file to receive into.");
    if (oneFile && request.files.size() > 1)
        return "XMODEM sends one file at a time.";
    for (const std::string& file : request.sending ? request.files : std::vector<std::string>{}) {
        struct stat info {};
        const std::string shortName = std::filesystem::path(file).filename().string();
        if (::stat(file.c_str(), &info) != 0)
            return "Cannot send " + shortName + ": " + std::strerror(errno) + ".";
        if (!S_ISREG(info.st_mode))
            return "Cannot send " + shortName + ": it is not a plain file.";
    }
    if (!request.sending && !oneFile && !std::filesystem::is_directory(request.folder))
        return "Cannot receive into " + request.folder + ": no such folder.";

    // lrzsz reads and writes as a program on a terminal does, waiting: the shared open file
    // must not be non-blocking while it has it.
    const int fd = port_.descriptor();
    savedFlags_ = ::fcntl(fd, F_GETFL);
    if (savedFlags_ != -1)
        ::fcntl(fd, F_SETFL, savedFlags_ & ~O_NONBLOCK);
    pausedReading_ = port_.isWatchingReadable() && !port_.isReadablePaused();
    if (pausedReading_)
        port_.pauseReadable();

    ChildProcess::Setup setup;
    setup.arguments = arguments(request);
    setup.input = fd;
    setup.output = fd;
    if (!request.sending)
        setup.folder = oneFile ? std::filesystem::absolute(request.files.front()).parent_path().string() : request.folder;
    int error = 0;
    child_ = ChildProcess::spawn(setup, error);
    if (!child_) {
        givePortBack();
        return std::string(lrzszProgram(request.protocol, request.sending)) + " could not be started: " +
               std::strerror(error) + ".";
    }
    request_ = std::move(request);
    output_ = LrzszOutput();
    outcome_ = Outcome::Running;
    stopping_.reset();
    started_ = Clock::now().steady;
    meter_.start();
    errorsOpen_ = true;
    checkTimer_ = Timer::timerWithTimeInterval(checkSeconds, [this](Timer&) { check(); }, true);
    RunLoop::currentRunLoop().addTimer(checkTimer_);
    return {};
}

void ModemTransfer::cancel()
{
    if (!isRunning() || stopping_)
        return;
    stopping_ = Outcome::Cancelled;
    stopAsked_ = Clock::now().steady;
    // Stopped first, so the cancel sequence lands between its writes, never inside a packet.
    child_->signal(SIGSTOP);
    writeCancelSequence();
    child_->signal(SIGTERM);
    child_->signal(SIGCONT);
}

void ModemTransfer::writeCancelSequence() const
{
    const int fd = port_.descriptor();
    if (fd == -1)
        return;
    // Without waiting: flow control may hold the port.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    [[maybe_unused]] const ssize_t ignored = ::write(fd, cancelSequence.data(), cancelSequence.size());
}

TransferProgress ModemTransfer::progress()
{
    std::optional<std::uint64_t> total = output_.total();
    if (!total && request_.sending && request_.files.size() == 1) {
        std::error_code ignored;
        const auto size = std::filesystem::file_size(request_.files.front(), ignored);
        if (!ignored)
            total = size;
    }
    return meter_.note(output_.done(), total);
}

void ModemTransfer::readErrors()
{
    if (!child_ || !errorsOpen_)
        return;
    char chunk[4096];
    for (;;) {
        const ssize_t count = ::read(child_->errorOutput(), chunk, sizeof chunk);
        if (count > 0) {
            output_.take(std::string_view(chunk, static_cast<std::size_t>(count)));
            continue;
        }
        if (count == 0 || (errno != EINTR && errno != EAGAIN))
            errorsOpen_ = false; // closed: the child is ending
        break;
    }
    if (onProgress_ && isRunning())
        onProgress_(progress());
}

void ModemTransfer::check()
{
    if (!child_)
        return;
    readErrors();
    if (child_->poll()) {
        readErrors();
        // lrzsz flushes the tty as it exits; on a pty that can take the cancel sequence with it
        // before the far side has read it. Once more, now that nobody flushes.
        if (stopping_)
            writeCancelSequence();
        return finish(stopping_.value_or(WIFEXITED(*child_->status()) && WEXITSTATUS(*child_->status()) == 0
                                             ? Outcome::Done
                                             : Outcome::Failed));
    }
    const auto now = Clock::now().steady;
    if (!stopping_ && !output_.answered() && now - started_ >= request_.noAnswer) {
        cancel();
        stopping_ = Outcome::NoAnswer;
    }
    if (stopping_ && now - stopAsked_ >= killAfter)
        child_->signal(SIGKILL);
}

void ModemTransfer::givePortBack()
{
    const int fd = port_.descriptor();
    if (fd != -1 && savedFlags_ != -1)
        ::fcntl(fd, F_SETFL, savedFlags_);
    savedFlags_ = -1;
    if (pausedReading_)
        port_.resumeReadable();
    pausedReading_ = false;
}

void ModemTransfer::finish(Outcome outcome)
{
    outcome_ = outcome;
    if (checkTimer_)
        checkTimer_->invalidate();
    givePortBack();
    if (onFinished_)
        onFinished_(statusLine());
}

std::string ModemTransfer::statusLine() const
{
    const std::string name(protocolName(request_.protocol));
    const std::string what = name + (request_.sending ? " send" : " receive");
    std::string files;
    for (const std::string& file : output_.files())
        files += (files.empty() ? "" : ", ") + std::filesystem::path(file).filename().string();
    const std::string message = output_.lastMessage().empty() ? "" : " (" + output_.lastMessage() + ")";
    switch (outcome_) {
    case Outcome::Done:
        return what + " complete" + (files.empty() ? "" : ": " + files) + message + ".";
    case Outcome::Cancelled:
        return what + " cancelled.";
    case Outcome::NoAnswer:
        return what + " stopped: the far end did not answer within " + std::to_string(request_.noAnswer.count()) +
               " s. Is its " + name + " " + (request_.sending ? "receive" : "send") + " started?";
    case Outcome::Failed: {
        const std::string program(lrzszProgram(request_.protocol, request_.sending));
        const std::string how = child_ && child_->status() ? describeWaitStatus(*child_->status()) : "failed";
        return what + " failed: " + program + " " + how + message + ".";
    }
    case Outcome::Idle:
    case Outcome::Running:
        break;
    }
    return {};
}
