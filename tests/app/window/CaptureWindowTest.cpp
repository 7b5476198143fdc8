// A window capturing as a person sees it: the title's mark and the status bar while it runs,
// and a file complete to its stop marker when the program is quit, from its menu or by a signal.
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "app/window/CaptureDialog.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/QuitOnSignals.h"
#include "app/window/TerminalApplication.h"
#include "devices/DeviceList.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/QtTimerDriver.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QtTest>

#include <csignal>
#include <fstream>
#include <memory>

class CaptureWindowTest : public QObject {
    Q_OBJECT

private slots:
    // Ctrl+Q, or a stop signal (SIGINT and SIGHUP take the same way as SIGTERM).
    void quittingWhileCapturingLeavesTheFileComplete_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("File > Quit") << 0;
        QTest::newRow("SIGTERM") << SIGTERM;
    }

    void quittingWhileCapturingLeavesTheFileComplete()
    {
        QFETCH(int, signal);
        Pty pty;
        TempDir dev, sys;
        dev.link("cu.a", pty.slavePath());
        DeviceList devices({dev.path(), sys.path(), sys.path() + "/by-id"});
        QtTimerDriver timers;
        QuitOnSignals quitOnSignals;
        TerminalApplication terminals(devices);
        QPointer<MyDocumentWindow> window = terminals.newWindow();
        window->controls().readToggle.userSelectSegment(1);
        QVERIFY(proposedCaptureName("cu.a").contains(QRegularExpression("^cu\\.a-\\d{8}-\\d{6}\\.log$")));

        const std::string path = dev.path() + "/capture.log";
        QCOMPARE(window->document().startCapture(path, Capture::Format::Text), std::string());
        pty.writeMaster("first line\nsecond");
        const auto statusShows = [&](const QString& text) {
            for (const QLabel* label : window->statusBar()->findChildren<QLabel*>())
                if (label->isVisible() && label->text() == text)
                    return true;
            return false;
        };
        QTRY_VERIFY(statusShows("Capturing to capture.log: 17 bytes"));
        QVERIFY(statusShows("Rx 17 B  Tx 0 B"));
        QVERIFY(window->windowTitle().startsWith(QStringLiteral("\u25CF cu.a")));

        if (signal != 0) {
            ::raise(signal);
            QTRY_VERIFY(!window || !window->isVisible());
        } else {
            QAction* quit = nullptr;
            for (QAction* item : window->fileMenu()->actions())
                if (item->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Q))
                    quit = item;
            QVERIFY(quit);
            quit->trigger();
        }
        std::ifstream in(path);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        QVERIFY2(text.find(" first line\n") != std::string::npos, text.c_str());
        QVERIFY2(text.find(" second\n") != std::string::npos, text.c_str());
        QVERIFY2(text.size() > 24 && text.ends_with(" --- Capture stopped ---\n"), text.c_str());
        delete window.data();
    }
};

QTEST_MAIN(CaptureWindowTest)
#include "CaptureWindowTest.moc"
