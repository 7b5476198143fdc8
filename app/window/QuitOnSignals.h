// Ends the program as File > Quit does when it is asked to stop by a signal (SIGTERM from the
// session or `kill`, SIGINT from Ctrl+C in its terminal, SIGHUP when that terminal goes): every
// window closes, so captures are written out and ports put back. A second signal while that
// runs ends the program at once, the usual way. One at a time.
#pragma once

#include "toolkit/FileDescriptor.h"

#include <QObject>

class QSocketNotifier;

class QuitOnSignals : public QObject {
public:
    explicit QuitOnSignals(QObject* parent = nullptr);
    ~QuitOnSignals() override;

private:
    void quit();

    FileDescriptor read_;
    FileDescriptor write_;
    QSocketNotifier* notifier_ = nullptr;
};
