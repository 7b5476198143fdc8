// The terminal program inside a benchmark process: its application, real Qt timers and one
// window opened as the program opens it, active (the editor's caret blinks as in use) and
// reading a pty device. Set QT_QPA_PLATFORM before making one, then open the window.
#pragma once

#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/TerminalApplication.h"
#include "bench/PtySerialDevice.h"
#include "bench/QuietStdout.h"
#include "toolkit/qt/QtTimerDriver.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <stdexcept>
#include <string>

class BenchTerminal {
public:
    explicit BenchTerminal(char* programName)
        : argv_{programName, nullptr}, application_(argc_, argv_)
    {
    }
    BenchTerminal(const BenchTerminal&) = delete;
    BenchTerminal& operator=(const BenchTerminal&) = delete;
    ~BenchTerminal()
    {
        if (window_)
            window_->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void openWindow()
    {
        window_ = terminals_.newWindow();
        window_->activateWindow();
        if (!QTest::qWaitForWindowActive(window_))
            throw std::runtime_error("the window never became active");
        window_->controls().readToggle.userSelectSegment(1);
        if (!window_->document().isReading())
            throw std::runtime_error(std::string("the window did not start reading ") + PtySerialDevice::name + ": " +
                                     window_->document().statusText());
    }

    // Where the results go: stdout itself carries the program's log lines to /dev/null.
    std::FILE* report() const { return quiet_.report(); }
    int master() const { return port_.master(); }
    MyDocumentWindow& window() const { return *window_; }
    MyDocument& document() const { return window_->document(); }
    TerminalControls& controls() const { return window_->controls(); }

private:
    QuietStdout quiet_;
    PtySerialDevice port_;
    int argc_ = 1;
    char* argv_[2];
    QApplication application_;
    QtTimerDriver timers_;
    TerminalApplication terminals_;
    MyDocumentWindow* window_ = nullptr; // deletes itself on close
};
