#include "app/window/TerminalApplication.h"

#include "app/terminal/MyDocument.h"
#include "app/terminal/startWindow.h"
#include "app/window/ConsolePane.h"
#include "app/window/MyDocumentWindow.h"
#include "devices/DeviceList.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenu>

TerminalApplication::TerminalApplication(QObject* parent) : TerminalApplication(DeviceList::sharedDeviceList(), parent) {}

TerminalApplication::TerminalApplication(DeviceList& devices, QObject* parent) : QObject(parent), devices_(devices) {}

MyDocumentWindow* TerminalApplication::newWindow()
{
    auto* window = new MyDocumentWindow(devices_);
    QMenu* file = window->fileMenu();

    QAction* open = file->addAction(tr("&New Window"), this, [this] { newWindow(); });
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    QAction* close = file->addAction(tr("&Close Window"), window, &QWidget::close);
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"), qApp, &QApplication::closeAllWindows);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);

    window->show();
    return window;
}

std::vector<MyDocumentWindow*> TerminalApplication::openStartWindows(const StartOptions& options)
{
    std::vector<MyDocumentWindow*> windows;
    const std::vector<std::string> ports = options.ports.empty() ? std::vector<std::string>{""} : options.ports;
    for (const std::string& port : ports) {
        windows.push_back(newWindow());
        startWindow(windows.back()->document(), options, port);
        if (options.console) {
            if (auto* console = windows.back()->findChild<ConsolePane*>())
                console->setOn(true);
        }
    }
    return windows;
}
