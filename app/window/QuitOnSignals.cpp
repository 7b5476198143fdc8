#include "app/window/QuitOnSignals.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int signalsHandled[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler may only write to a descriptor: the event loop does the rest.
volatile std::sig_atomic_t wakeDescriptor = -1;

void wake(int)
{
    const char byte = 1;
    const int descriptor = wakeDescriptor;
    if (descriptor >= 0) {
        [[maybe_unused]] const auto written = ::write(descriptor, &byte, 1);
    }
}

} // namespace

QuitOnSignals::QuitOnSignals(QObject* parent) : QObject(parent)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep their usual meaning
    read_ = FileDescriptor(ends[0]);
    write_ = FileDescriptor(ends[1]);
    notifier_ = new QSocketNotifier(read_.get(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitOnSignals::quit);
    wakeDescriptor = write_.get();
    struct sigaction action {};
    action.sa_handler = wake;
    sigemptyset(&action.sa_mask);
    // The first signal asks; the next one is handled as if we had never been here.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int number : signalsHandled)
        ::sigaction(number, &action, nullptr);
}

QuitOnSignals::~QuitOnSignals()
{
    if (!write_)
        return;
    for (const int number : signalsHandled)
        std::signal(number, SIG_DFL);
    wakeDescriptor = -1;
}

void QuitOnSignals::quit()
{
    char bytes[16];
    while (::read(read_.get(), bytes, sizeof bytes) > 0) {
    }
    QApplication::closeAllWindows();
}
