// The program: a Qt application whose first window is one terminal.
#include "app/window/TerminalApplication.h"
#include "toolkit/qt/QtTimerDriver.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("serialterm");
    QApplication::setApplicationDisplayName("Serial Terminal");
    QApplication::setDesktopFileName("serialterm");

    QtTimerDriver timers;
    TerminalApplication terminals;
    terminals.newWindow();
    return QApplication::exec();
}
