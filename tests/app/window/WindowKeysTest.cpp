// The window's keyboard side on the offscreen platform: shortcuts acting the moment they are
// pressed, menus that follow the controls, tooltips in the platform's key notation, mnemonics
// that reach what they name, and a width that lets two windows share a 1280-pixel screen.
#include "app/MyDocument.h"
#include "app/TerminalControls.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/TerminalApplication.h"
#include "devices/DeviceList.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/QtTimerDriver.h"
#include "toolkit/qt/SegmentedControlWidget.h"
#include "toolkit/qt/TextEditorWidget.h"
#include "toolkit/qt/TextFieldWidget.h"

#include <QAbstractButton>
#include <QPointer>
#include <QtTest>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace {

// The widget of type Widget bound to model.
template <typename Widget, typename Model>
Widget* boundTo(QWidget* window, const Model& model)
{
    for (auto* widget : window->findChildren<Widget*>()) {
        if (&widget->model() == &model)
            return widget;
    }
    return nullptr;
}

} // namespace

class WindowKeysTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        dev_.link("cu.keys", port_.slavePath());
        DeviceList::sharedDeviceList().setScanDirectories(dev_.path(), sys_.path());
        timers_ = std::make_unique<QtTimerDriver>();
    }

    void init()
    {
        window_ = terminals_.newWindow();
        QApplication::setActiveWindow(window_);
        QVERIFY(QTest::qWaitForWindowActive(window_));
    }

    void cleanup()
    {
        delete window_.data();
        port_.readMaster(1 << 20, 50ms);
    }

    void keysActWhenPressedInTheOrderTyped()
    {
        TerminalControls& c = window_->controls();
        c.readToggle.userSelectSegment(1);
        QVERIFY(window_->document().isReading());
        TextEditorWidget* editor = window_->sendEditor();
        editor->setFocus();
        // No event loop runs between the keys, just as when they arrive in one burst.
        QTest::keyClick(editor, Qt::Key_A);
        QTest::keyClick(editor, Qt::Key_L, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_B);
        QTest::keyClick(editor, Qt::Key_R, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_C);
        QElapsedTimer sending;
        sending.start();
        QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(port_.readMaster(5, 1s), std::string("a\nb\rc"));
        QVERIFY2(sending.nsecsElapsed() < 5'000'000, qPrintable(QString::number(sending.nsecsElapsed() / 1e6) + " ms"));
        QVERIFY(c.sendTF.string().empty());

        // The value keys work from the Values field as well as from the editor.
        auto* values = boundTo<TextFieldWidget>(window_, c.nonPrintTF);
        values->setFocus();
        QTest::keyClicks(values, "65 66");
        QTest::keyClick(values, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(values, Qt::Key_T, Qt::ControlModifier);
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(port_.readMaster(4, 1s), std::string("AB\t\0", 4));
    }

private:
    TempDir dev_;
    TempDir sys_;
    Pty port_;
    std::unique_ptr<QtTimerDriver> timers_;
    TerminalApplication terminals_;
    QPointer<MyDocumentWindow> window_;
};

QTEST_MAIN(WindowKeysTest)
#include "WindowKeysTest.moc"
