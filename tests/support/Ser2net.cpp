#include "tests/support/Ser2net.h"

#include "tests/support/LoopbackServer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

const char* const candidates[] = {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"};

std::string program()
{
    for (const char* path : candidates)
        if (::access(path, X_OK) == 0)
            return path;
    return {};
}

} // namespace

Ser2net::Ser2net(std::string device, std::string_view accepter) : device_(std::move(device))
{
    // The port is one the system just handed out, and free again: ser2net takes it next.
    port_ = LoopbackServer().port();
    const std::string stack = accepter.empty() ? "tcp" : std::string(accepter) + ",tcp";
    dir_.writeFile("ser2net.yaml", "%YAML 1.1\n---\nconnection: &test\n  accepter: " + stack + ",127.0.0.1," +
                                       std::to_string(port_) + "\n  connector: serialdev," + device_ +
                                       ",9600n81,local\n  options:\n    kickolduser: true\n");
}

bool Ser2net::available()
{
    return !program().empty();
}

bool Ser2net::listening() const
{
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", static_cast<unsigned>(port_));
    std::ifstream table("/proc/net/tcp");
    std::string slot, local, remote, state;
    std::string line;
    std::getline(table, line); // the heading
    while (table >> slot >> local >> remote >> state) {
        std::getline(table, line);
        if (local == wanted && state == "0A")
            return true;
    }
    return false;
}

void Ser2net::start()
{
    if (pid_ != -1)
        return;
    const std::string path = program();
    const std::string config = dir_.path() + "/ser2net.yaml";
    const std::string pidFile = dir_.path() + "/ser2net.pid";
    const std::string log = dir_.path() + "/ser2net.log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // -n: stay in the foreground; -u: no UUCP lock files in /var/lock for a test's pty.
    const char* argv[] = {path.c_str(), "-n", "-u", "-c", config.c_str(), "-P", pidFile.c_str(), nullptr};
    const int status = posix_spawn(&pid_, path.c_str(), &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (status != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start ser2net");
    }
    for (int tries = 0; tries < 500 && !listening(); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!listening()) {
        stop();
        throw std::runtime_error("ser2net does not listen on port " + std::to_string(port_));
    }
}

void Ser2net::stop()
{
    if (pid_ == -1)
        return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}
