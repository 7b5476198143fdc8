#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "app/window/MyDocumentWindow.h"
#include "devices/DeviceList.h"
#include "tests/app/window/PtyWindow.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/QtTimerDriver.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtTest>

// What the user selected in the receive view while data flows.
class HeldSelectionTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        rig_ = std::make_unique<PtyWindow>();
        window_ = rig_->window.get();
        pty_ = &rig_->pty;
        QVERIFY(window_->document().isReading());
    }

    void cleanup() { rig_.reset(); }

    // A stream rolls the oldest bytes off the buffer; a selection on them must stay to copy.
    void aSelectionMadeWhileDataFlowsStaysUntilTheUserLetsGo()
    {
        pty_->writeMaster("keep this line\r\n");
        TextViewWidget* view = window_->receiveView();
        QTRY_VERIFY(view->model().string().find(u"keep") != std::u16string::npos);
        view->selectAll();
        QVERIFY(view->model().isHeld());
        const QString selected = view->selectedText();
        for (int i = 0; i < 20; ++i)
            pty_->writeMaster(std::string(200, 'n') + "\r\n"); // twice the buffer
        QTest::qWait(500);
        QCOMPARE(view->selectedText(), selected);
        view->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), selected);
    }

    void aCopyWithNothingSelectedSaysSo()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        window_->receiveView()->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        QVERIFY(QString::fromStdString(window_->document().statusText()).contains("Nothing is selected"));
    }

private:
    LogCapture quiet_;
    QtTimerDriver timers_;
    std::unique_ptr<PtyWindow> rig_;
    MyDocumentWindow* window_ = nullptr;
    const Pty* pty_ = nullptr;
};

QTEST_MAIN(HeldSelectionTest)
#include "HeldSelectionTest.moc"
