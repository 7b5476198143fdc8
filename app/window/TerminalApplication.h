// The application's windows: opens terminal windows on request (File > New Window) and
// gives each the same File menu. All windows share one device list, the process's unless
// another is given; closing the last window ends the application.
#pragma once

#include "app/startup/StartOptions.h"

#include <QObject>

#include <vector>

class DeviceList;
class MyDocumentWindow;

class TerminalApplication : public QObject {
public:
    explicit TerminalApplication(QObject* parent = nullptr);
    // Windows on the devices of a list of its own, which must outlive them.
    explicit TerminalApplication(DeviceList& devices, QObject* parent = nullptr);

    MyDocumentWindow* newWindow();
    // The windows the command line asks for: one on each of its ports, brought to its options,
    // or one on no particular port.
    std::vector<MyDocumentWindow*> openStartWindows(const StartOptions& options);

private:
    DeviceList& devices_;
};
