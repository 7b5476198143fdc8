// The application's windows: opens terminal windows on request (File > New Window) and
// gives each the same File menu. All windows share the one device list; closing the
// last window ends the application.
#pragma once

#include <QObject>

class MyDocumentWindow;

class TerminalApplication : public QObject {
public:
    explicit TerminalApplication(QObject* parent = nullptr);

    MyDocumentWindow* newWindow();
};
