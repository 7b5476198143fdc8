// The program: a Qt application whose first window is one terminal.
#include "app/terminal/startWindow.h"
#include "app/terminal/MyDocument.h"
#include "app/window/CommandLine.h"
#include "app/window/MyDocumentWindow.h"
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
    // One window for each port asked for, or one on no particular port.
    const std::vector<std::string> ports = start.options.ports.empty() ? std::vector<std::string>{""} : start.options.ports;
    for (const std::string& port : ports)
        startWindow(terminals.newWindow()->document(), start.options, port);
    return QApplication::exec();
}
