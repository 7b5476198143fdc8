#include "serial/NetworkConnector.h"

#include "serial/NetworkPort.h"
#include "serial/endWatch.h"
#include "toolkit/ReadWatch.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <thread>
#include <unistd.h>

struct NetworkConnector::Lookup {
    std::mutex mutex;
    int status = 0; // getaddrinfo's
    std::vector<Candidate> found;
    FileDescriptor readEnd;  // readable once the lookup is done
    FileDescriptor writeEnd;
};

namespace {

bool makePipe(FileDescriptor& readEnd, FileDescriptor& writeEnd)
{
    int ends[2];
    if (::pipe(ends) != 0)
        return false;
    readEnd.reset(ends[0]);
    writeEnd.reset(ends[1]);
    for (const int fd : ends) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

FileDescriptor openSocket(int family)
{
    FileDescriptor socket(::socket(family, SOCK_STREAM, 0));
    if (!socket)
        return socket;
    ::fcntl(socket.get(), F_SETFD, FD_CLOEXEC);
    ::fcntl(socket.get(), F_SETFL, ::fcntl(socket.get(), F_GETFL) | O_NONBLOCK);
    // A typed key is a packet of its own at once, as it would be a byte on a local line.
    const int on = 1;
    ::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return socket;
}

} // namespace

NetworkConnector::NetworkConnector(std::string address, PortSettings settings, Done done,
                                   std::chrono::milliseconds timeout)
    : text_(std::move(address)), settings_(settings), done_(std::move(done)), timeout_(timeout)
{
}

NetworkConnector::~NetworkConnector()
{
    endWatch(lookupWatch_);
    endWatch(connectWatch_);
    if (deadline_)
        deadline_->invalidate();
}

void NetworkConnector::start()
{
    deadline_ = Timer::timerWithTimeInterval(
        std::chrono::duration<double>(timeout_).count(), [this](Timer&) { timedOut(); }, false);
    RunLoop::currentRunLoop().addTimer(deadline_);

    std::string why;
    const std::optional<NetworkAddress> parsed = NetworkAddress::parse(text_, why);
    lookup_ = std::make_shared<Lookup>();
    if (!makePipe(lookup_->readEnd, lookup_->writeEnd)) {
        why = std::string("Cannot look up the host: ") + std::strerror(errno);
        lookup_->status = EAI_SYSTEM;
    }
    if (!parsed || lookup_->status != 0) {
        // Told on the run loop like every outcome, so the caller never hears before start() returns.
        const int error = parsed ? errno : EINVAL;
        deadline_->invalidate();
        deadline_ = Timer::timerWithTimeInterval(0, [this, error, why](Timer&) { fail(error, why); }, false);
        RunLoop::currentRunLoop().addTimer(deadline_);
        return;
    }
    address_ = *parsed;
    lookupWatch_ = ReadWatch::watchDescriptor(lookup_->readEnd.get(), [this] { lookedUp(); });
    RunLoop::currentRunLoop().addWatch(lookupWatch_);
    // The lookup can take as long as the resolver likes (30 s for a dead DNS server): it runs
    // apart, and holds what it needs, so a cancelled connector need not wait for it.
    std::thread([lookup = lookup_, host = address_.host, port = std::to_string(address_.port)] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_ADDRCONFIG;
        addrinfo* list = nullptr;
        const int status = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &list);
        {
            const std::lock_guard<std::mutex> lock(lookup->mutex);
            lookup->status = status;
            for (const addrinfo* entry = status == 0 ? list : nullptr; entry; entry = entry->ai_next) {
                Candidate candidate{};
                std::memcpy(&candidate.address, entry->ai_addr, entry->ai_addrlen);
                candidate.length = entry->ai_addrlen;
                lookup->found.push_back(candidate);
            }
        }
        if (list)
            ::freeaddrinfo(list);
        const char done = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(lookup->writeEnd.get(), &done, 1);
    }).detach();
}

void NetworkConnector::lookedUp()
{
    endWatch(lookupWatch_);
    int status = 0;
    {
        const std::lock_guard<std::mutex> lock(lookup_->mutex);
        status = lookup_->status;
        candidates_ = std::move(lookup_->found);
    }
    if (status == EAI_AGAIN) {
        fail(EAGAIN, "The name " + address_.host + " cannot be looked up now (" + ::gai_strerror(status) +
                         "); try again later");
        return;
    }
    if (status != 0 || candidates_.empty()) {
        fail(EADDRNOTAVAIL, "Unknown host " + address_.host + " (" + ::gai_strerror(status != 0 ? status : EAI_NONAME) + ")");
        return;
    }
    tryNext();
}

void NetworkConnector::tryNext()
{
    endWatch(connectWatch_);
    while (next_ < candidates_.size()) {
        const Candidate& candidate = candidates_[next_++];
        FileDescriptor socket = openSocket(candidate.address.ss_family);
        if (!socket) {
            lastError_ = errno;
            continue;
        }
        if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&candidate.address), candidate.length) == 0) {
            connected(std::move(socket));
            return;
        }
        if (errno != EINPROGRESS) {
            lastError_ = errno;
            continue;
        }
        connecting_ = std::move(socket);
        connectWatch_ = ReadWatch::watchWritable(connecting_.get(), [this] {
            int error = 0;
            socklen_t length = sizeof error;
            if (::getsockopt(connecting_.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
            if (error == 0) {
                endWatch(connectWatch_);
                connected(std::move(connecting_));
                return;
            }
            lastError_ = error;
            connecting_.reset();
            tryNext();
        });
        RunLoop::currentRunLoop().addWatch(connectWatch_);
        return;
    }
    fail(lastError_ ? lastError_ : EHOSTUNREACH, connectFailure(lastError_));
}

void NetworkConnector::connected(FileDescriptor socket)
{
    port_ = std::make_unique<NetworkPort>(std::move(socket), address_);
    port_->settle(settings_, [this](std::string failure) { settled(failure); });
}

void NetworkConnector::settled(const std::string& failure)
{
    if (!failure.empty()) {
        fail(EPROTO, failure);
        return;
    }
    finish({std::move(port_), 0, ""});
}

void NetworkConnector::timedOut()
{
    const std::string seconds = std::to_string((timeout_.count() + 999) / 1000) + " s";
    if (port_) {
        const std::string failure = port_->stopSettling();
        if (failure.empty())
            finish({std::move(port_), 0, ""});
        else
            fail(ETIMEDOUT, failure + " within " + seconds);
        return;
    }
    const std::string what = address_.host.empty() ? text_ : address_.hostAndPort();
    fail(ETIMEDOUT, (lookupWatch_ ? "The name " + address_.host + " could not be looked up" : what + " did not answer") +
                        " within " + seconds);
}

void NetworkConnector::fail(int error, std::string message)
{
    port_.reset();
    connecting_.reset();
    finish({nullptr, error, std::move(message)});
}

void NetworkConnector::finish(Result result)
{
    endWatch(lookupWatch_);
    endWatch(connectWatch_);
    if (deadline_)
        deadline_->invalidate();
    // Taken out first: the caller may destroy this connector from within.
    if (const Done done = std::move(done_))
        done(std::move(result));
}

std::string NetworkConnector::connectFailure(int error) const
{
    const std::string where = address_.hostAndPort();
    switch (error) {
    case ECONNREFUSED:
        return where + " refused the connection: nothing is listening on that port";
    case ENETUNREACH:
    case EHOSTUNREACH:
        return where + " is unreachable (" + std::strerror(error) + ")";
    case ETIMEDOUT:
        return where + " did not answer (" + std::strerror(error) + ")";
    default:
        return "Cannot connect to " + where + ": " + std::strerror(error != 0 ? error : EHOSTUNREACH);
    }
}
