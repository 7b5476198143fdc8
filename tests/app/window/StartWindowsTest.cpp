// The windows the command line opens: one on each port asked for, each brought to the
// options given, and one window as ever without ports.
#include "app/startup/StartOptions.h"
#include "app/terminal/MyDocument.h"
#include "app/window/ConsolePane.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/TerminalApplication.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/QtTimerDriver.h"

#include <QtTest>

#include <memory>

class StartWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        dev_.link("cu.a", a_.slavePath());
        dev_.link("cu.b", b_.slavePath());
    }

    void severalPortsOpenAWindowEachWithTheOptions()
    {
        StartOptions options;
        options.ports = {"cu.b", dev_.path() + "/cu.a"};
        options.view = ViewTypeHex;
        options.console = true;
        const std::vector<MyDocumentWindow*> windows = terminals_.openStartWindows(options);
        QCOMPARE(windows.size(), std::size_t{2});
        QCOMPARE(windows[0]->document().deviceName(), std::string("cu.b"));
        QCOMPARE(windows[1]->document().deviceName(), std::string("cu.a"));
        for (MyDocumentWindow* window : windows) {
            QVERIFY(window->document().isReading());
            QCOMPARE(window->document().getViewType(), int{ViewTypeHex});
            QVERIFY(window->findChild<ConsolePane*>()->isOn());
            delete window;
        }
    }

    void noPortsOpenOneWindowAsEver()
    {
        const std::vector<MyDocumentWindow*> windows = terminals_.openStartWindows(StartOptions{});
        QCOMPARE(windows.size(), std::size_t{1});
        QVERIFY(!windows[0]->document().isReading());
        QCOMPARE(windows[0]->document().getViewType(), int{ViewTypeText});
        QVERIFY(!windows[0]->findChild<ConsolePane*>()->isOn());
        delete windows[0];
    }

private:
    TempDir dev_;
    TempDir sys_;
    Pty a_;
    Pty b_;
    DeviceList devices_{{dev_.path(), sys_.path(), sys_.path() + "/by-id"}};
    QtTimerDriver timers_;
    TerminalApplication terminals_{devices_};
};

QTEST_MAIN(StartWindowsTest)
#include "StartWindowsTest.moc"
