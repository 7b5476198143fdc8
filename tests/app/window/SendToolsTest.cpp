#include "app/window/SendTools.h"
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "app/window/MyDocumentWindow.h"
#include "devices/DeviceList.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/TextEditorWidget.h"

#include <QAction>
#include <QLabel>
#include <QtTest>

using namespace std::chrono_literals;

// The sending tools' keys as a user presses them in a window on a pty.
class SendToolsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dev = std::make_unique<TempDir>();
        sys = std::make_unique<TempDir>();
        pty = std::make_unique<Pty>();
        dev->link("cu.usb", pty->slavePath());
        devices = std::make_unique<DeviceList>(DeviceList::Folders{dev->path(), sys->path()});
        window = std::make_unique<MyDocumentWindow>(*devices);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->controls().readToggle.userSelectSegment(1);
        QVERIFY(window->document().isReading());
        window->sendEditor()->setFocus();
    }
    void cleanup()
    {
        window.reset();
        devices.reset();
    }

    // Ctrl+Up and Ctrl+Down are the history's, not a move of the editor's caret: no standard
    // key of the platform (a move, a selection, an edit) is bound to them.
    void ctrlUpBringsBackTheLastMessageAndCtrlDownWhatWasTyped()
    {
        auto* tools = window->findChild<SendTools*>();
        for (int standard = QKeySequence::HelpContents; standard <= QKeySequence::Cancel; ++standard)
            for (const QKeySequence& bound :
                 QKeySequence::keyBindings(static_cast<QKeySequence::StandardKey>(standard)))
                QVERIFY2(bound != tools->previousMessageItem()->shortcut() &&
                             bound != tools->nextMessageItem()->shortcut(),
                         qPrintable(bound.toString()));
        QTest::keyClicks(window->sendEditor(), "ATI");
        QTest::keyClick(window->sendEditor(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(pty->readMaster(3, 1s), std::string("ATI"));
        QTest::keyClicks(window->sendEditor(), "AT");
        press(tools->previousMessageItem()->shortcut());
        QCOMPARE(window->controls().sendTF.string(), std::u16string(u"ATI"));
        press(tools->nextMessageItem()->shortcut());
        QCOMPARE(window->controls().sendTF.string(), std::u16string(u"AT"));
    }

    // A function key sends its macro; one with no macro keeps its own job.
    void aFunctionKeySendsItsMacroWithTheEnding()
    {
        window->document().sender().replaceMacros({{"reset", "ATZ"}});
        window->document().sender().setLineEnding(LineEnding::Cr);
        QTest::keyClick(window->sendEditor(), Qt::Key_F1);
        QCOMPARE(pty->readMaster(4, 1s), std::string("ATZ\r"));
        QTest::keyClick(window->sendEditor(), Qt::Key_F2);
        QCOMPARE(pty->readMaster(1, 100ms), std::string());
        QVERIFY(window->findChild<SendTools*>()->endingLabel()->text().contains("CR"));
    }

private:
    void press(const QKeySequence& keys)
    {
        const QKeyCombination key = keys[0];
        QTest::keyClick(window->sendEditor(), key.key(), key.keyboardModifiers());
    }

    LogCapture quiet;
    std::unique_ptr<TempDir> dev, sys;
    std::unique_ptr<Pty> pty;
    std::unique_ptr<DeviceList> devices;
    std::unique_ptr<MyDocumentWindow> window;
};

QTEST_MAIN(SendToolsTest)
#include "SendToolsTest.moc"
