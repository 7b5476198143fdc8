// The program: a Qt application whose first window is one terminal.
#include "app/window/CommandLine.h"
#include "app/window/QuitOnSignals.h"
#include "app/window/TerminalApplication.h"
#include "toolkit/qt/QtTimerDriver.h"
#include "toolkit/standardDescriptors.h"

#include <QApplication>

#include <csignal>

int main(int argc, char* argv[])
{
    openStandardDescriptors();
    // Standard output may be a pipe whose reader quits (`serialterm | head`): that must cost
    // log lines, never the program.
    std::signal(SIGPIPE, SIG_IGN);
    // A capture that reaches the file size limit must stop with a reason, not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication application(argc, argv);
    QApplication::setApplicationName("serialterm");
    QApplication::setApplicationDisplayName("Serial Terminal");
    QApplication::setDesktopFileName("serialterm");

    const CommandLine::Outcome start = CommandLine::read(QCoreApplication::arguments());
    if (start.exitStatus)
        return *start.exitStatus;

    QtTimerDriver timers;
    QuitOnSignals quitOnSignals;
    TerminalApplication terminals;
    terminals.openStartWindows(start.options);
    return QApplication::exec();
}
