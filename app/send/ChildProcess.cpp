#include "app/send/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace {

// posix_spawn's two setups, freed however spawn() leaves.
struct SpawnActions {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnActions()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnActions()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
};

} // namespace

std::string findProgram(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

std::string describeWaitStatus(int status)
{
    if (WIFEXITED(status))
        return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "was stopped by signal " + std::to_string(WTERMSIG(status));
    return "ended with wait status " + std::to_string(status);
}

std::unique_ptr<ChildProcess> ChildProcess::spawn(const Setup& setup, int& error)
{
    if (setup.arguments.empty()) {
        error = EINVAL;
        return nullptr;
    }
    const std::string program = findProgram(setup.arguments.front());
    if (program.empty()) {
        error = ENOENT;
        return nullptr;
    }
    int ends[2];
    if (::pipe(ends) != 0) {
        error = errno;
        return nullptr;
    }
    FileDescriptor reading(ends[0]);
    FileDescriptor writing(ends[1]);
    for (const int fd : ends)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(reading.get(), F_SETFL, ::fcntl(reading.get(), F_GETFL) | O_NONBLOCK);
    FileDescriptor nowhere;
    if (setup.input == -1 || setup.output == -1)
        nowhere.reset(::open("/dev/null", O_RDWR | O_CLOEXEC));

    SpawnActions spawn;
    // dup2 leaves the copies open across exec, whatever the originals' close-on-exec.
    posix_spawn_file_actions_adddup2(&spawn.actions, setup.input != -1 ? setup.input : nowhere.get(), 0);
    posix_spawn_file_actions_adddup2(&spawn.actions, setup.output != -1 ? setup.output : nowhere.get(), 1);
    posix_spawn_file_actions_adddup2(&spawn.actions, writing.get(), 2);
    if (!setup.folder.empty())
        posix_spawn_file_actions_addchdir_np(&spawn.actions, setup.folder.c_str());
    // Its own process group, so a Ctrl+C meant for the terminal that started us doesn't reach
    // it behind our back; and default signals, whatever this process ignores or blocks.
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&spawn.attributes, &all);
    posix_spawnattr_setsigmask(&spawn.attributes, &none);
    posix_spawnattr_setpgroup(&spawn.attributes, 0);
    posix_spawnattr_setflags(&spawn.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> argv;
    for (const std::string& argument : setup.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    error = posix_spawn(&pid, program.c_str(), &spawn.actions, &spawn.attributes, argv.data(), environ);
    if (error != 0)
        return nullptr;
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, std::move(reading)));
}

ChildProcess::ChildProcess(pid_t pid, FileDescriptor errors)
    : pid_(pid), errors_(std::move(errors))
{
}

ChildProcess::~ChildProcess()
{
    if (pid_ == -1 || status_)
        return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) == -1 && errno == EINTR) {
    }
}

bool ChildProcess::signal(int number) const
{
    return pid_ != -1 && !status_ && ::kill(pid_, number) == 0;
}

std::optional<int> ChildProcess::poll()
{
    if (status_ || pid_ == -1)
        return status_;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_)
        status_ = status;
    return status_;
}
