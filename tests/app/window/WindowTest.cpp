// Whole terminal windows on the offscreen platform, driven through their real widgets the
// way a person would: clicks, keys and menus, with pseudo-terminals as the serial devices.
#include "app/MyDocument.h"
#include "app/TerminalControls.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/TerminalApplication.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/PopUpButtonWidget.h"
#include "toolkit/qt/QtTimerDriver.h"
#include "toolkit/qt/SegmentedControlWidget.h"
#include "toolkit/qt/TextEditorWidget.h"
#include "toolkit/qt/TextFieldWidget.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

namespace {

QPushButton* button(QWidget* window, const QString& text, int which = 0)
{
    int seen = 0;
    for (QPushButton* candidate : window->findChildren<QPushButton*>()) {
        if (candidate->text() == text && seen++ == which)
            return candidate;
    }
    return nullptr;
}

SegmentedControlWidget* segments(QWidget* window, const SegmentedControl& model)
{
    for (auto* widget : window->findChildren<SegmentedControlWidget*>()) {
        if (&widget->model() == &model)
            return widget;
    }
    return nullptr;
}

PopUpButtonWidget* popUp(QWidget* window, const PopUpButton& model)
{
    for (auto* widget : window->findChildren<PopUpButtonWidget*>()) {
        if (&widget->model() == &model)
            return widget;
    }
    return nullptr;
}

QAction* menuAction(MyDocumentWindow* window, const QString& text)
{
    for (QAction* action : window->fileMenu()->actions()) {
        if (action->text().remove('&') == text)
            return action;
    }
    return nullptr;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        dev_.link("cu.a", a_.slavePath());
        dev_.link("cu.b", b_.slavePath());
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
        a_.readMaster(1 << 20, 50ms);
        b_.readMaster(1 << 20, 50ms);
    }

    void widgetsCarryTheirTooltips()
    {
        QCOMPARE(button(window_, "Send")->toolTip(), QString::fromUtf16(u"Send Data (Tx)   \u2318\u21B5"));
        QCOMPARE(button(window_, "Add Value")->toolTip(),
                 QString::fromUtf16(u"Add a non-printable value   \u2318\u21E7\u21B5"));
        QCOMPARE(button(window_, "LF")->toolTip(), QStringLiteral("Add 'Line Feed' character   ") + QChar(0x2318) + "L");
        QCOMPARE(button(window_, "CR")->toolTip(),
                 QStringLiteral("Add 'Carriage return' character   ") + QChar(0x2318) + "R");
        QCOMPARE(button(window_, "Tab")->toolTip(), QStringLiteral("Add 'Tab' character   ") + QChar(0x2318) + "T");
        QCOMPARE(button(window_, "Null")->toolTip(), QStringLiteral("Add 'Null' character   ") + QChar(0x2318) + "N");
        const QStringList clears{button(window_, "Clear", 0)->toolTip(), button(window_, "Clear", 1)->toolTip()};
        QVERIFY(clears.contains("Clear recieve buffer"));
        QVERIFY(clears.contains("Clear send buffer"));
        QCOMPARE(window_->receiveView()->toolTip(), QStringLiteral("Recieved data (Rx) text box"));
        QCOMPARE(window_->sendEditor()->toolTip(), QStringLiteral("Insert data to be sent (Tx) here"));
        QCOMPARE(window_->findChild<TextFieldWidget*>()->toolTip(), QStringLiteral("Insert a non-printable value"));
        QCOMPARE(window_->windowTitle(), QString::fromStdString(enabledName() + " - 9600 none-8-1 None"));
    }

    void fitsIn800By500WithoutClipping()
    {
        QVERIFY2(window_->minimumSizeHint().width() <= 800 && window_->minimumSizeHint().height() <= 500,
                 qPrintable(QStringLiteral("minimum %1x%2").arg(window_->minimumSizeHint().width())
                                .arg(window_->minimumSizeHint().height())));
        window_->resize(800, 500);
        QTRY_COMPARE(window_->size(), QSize(800, 500));
        for (QWidget* widget : window_->findChildren<QWidget*>()) {
            if (!widget->isVisible() || qobject_cast<QMenu*>(widget))
                continue;
            // What a layout may not go below: the minimum set on the widget, else its hint.
            QSize least = widget->minimumSizeHint();
            if (widget->minimumWidth() > 0)
                least.setWidth(widget->minimumWidth());
            if (widget->minimumHeight() > 0)
                least.setHeight(widget->minimumHeight());
            QVERIFY2(widget->width() >= least.width() && widget->height() >= least.height(),
                     qPrintable(widget->metaObject()->className() + QStringLiteral(" squeezed")));
            const QRect inWindow(widget->mapTo(window_, QPoint(0, 0)), widget->size());
            QVERIFY2(window_->rect().contains(inWindow),
                     qPrintable(widget->metaObject()->className() + QStringLiteral(" outside the window")));
        }
    }

    void aWholeSessionThroughTheWidgets()
    {
        TerminalControls& c = window_->controls();
        // Choose the other device with the keyboard, as in a closed combo box.
        PopUpButtonWidget* devices = popUp(window_, c.devicePU);
        const std::string first = enabledName();
        devices->setFocus();
        QTest::keyClick(devices, devices->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
        QVERIFY(enabledName() != first);
        QCOMPARE(window_->windowTitle(), QString::fromStdString(enabledName() + " - 9600 none-8-1 None"));
        QVERIFY(window_->document().isReading());
        const Pty& device = farEnd();

        device.writeMaster(std::string("Hi\r\n\0", 5));
        QTRY_COMPARE(c.recieveTF.string(), std::u16string(u"Hi\r\n\0", 5));
        QTest::mouseClick(segments(window_, c.viewFilter)->segmentButton(1), Qt::LeftButton);
        QCOMPARE(c.recieveTF.string(), u"Hi\\13\\10\\0");
        QVERIFY(c.recieveTF.textStorage().attributeAtIndex(2) == grayColor());
        QVERIFY(c.recieveTF.textStorage().attributeAtIndex(0) == nullptr);

        TextEditorWidget* editor = window_->sendEditor();
        editor->setFocus();
        QTest::keyClicks(editor, "AT");
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::mouseClick(button(window_, "CR"), Qt::LeftButton);
        QCOMPARE(c.sendTF.string(), u"AT\\10\\13");
        // A shortcut clicks its button once the click has been shown, a moment later.
        QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY(c.sendTF.string().empty());
        QCOMPARE(device.readMaster(4, 1s), std::string("AT\n\r"));

        // Reading off through the toggle closes the port.
        QTest::mouseClick(segments(window_, c.readToggle)->segmentButton(0), Qt::LeftButton);
        QCOMPARE(window_->document().getEnabledDevice()->getPortHandle(), -1);
    }

    void theEditorKeepsCrLfAndNulInEveryView()
    {
        TerminalControls& c = window_->controls();
        QTest::mouseClick(segments(window_, c.readToggle)->segmentButton(1), Qt::LeftButton);
        TextEditorWidget* editor = window_->sendEditor();
        for (int mode = 0; mode < 4; ++mode) {
            QTest::mouseClick(segments(window_, c.viewFilter)->segmentButton(mode), Qt::LeftButton);
            editor->setFocus();
            QTest::keyClick(editor, Qt::Key_A);
            QTest::keyClick(editor, Qt::Key_Return);
            QTest::mouseClick(button(window_, "CR"), Qt::LeftButton);
            QTest::mouseClick(button(window_, "Null"), Qt::LeftButton);
            editor->setFocus();
            QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(editor, Qt::Key_B);
            QTest::mouseClick(button(window_, "Send"), Qt::LeftButton);
            QCOMPARE(farEnd().readMaster(5, 1s), std::string("a\n\r\0b", 5));
        }
    }

    void anIdleWindowSleepsAndWakesWhenDataArrives()
    {
        TerminalControls& c = window_->controls();
        QTest::mouseClick(segments(window_, c.readToggle)->segmentButton(1), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(window_->document().isAsleep(), 3000);
        farEnd().writeMaster("late news");
        QTRY_VERIFY_WITH_TIMEOUT(!window_->document().isAsleep(), 1000);
        QTRY_VERIFY(c.recieveTF.string().ends_with(u"late news"));
    }

    void aSecondWindowFromTheMenuSharesTheDevices()
    {
        QAction* open = menuAction(window_, "New Window");
        QVERIFY(open);
        QCOMPARE(open->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
        open->trigger();
        QList<MyDocumentWindow*> windows;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* candidate = dynamic_cast<MyDocumentWindow*>(widget))
                windows.append(candidate);
        }
        QCOMPARE(windows.size(), 2);
        MyDocumentWindow* second = windows.front() == window_ ? windows.back() : windows.front();
        QVERIFY(second->isVisible());
        QCOMPARE(second->controls().devicePU.itemTitles(), window_->controls().devicePU.itemTitles());
        delete second;
    }

    void closingTheWindowClosesItsPort()
    {
        TerminalControls& c = window_->controls();
        QTest::mouseClick(segments(window_, c.readToggle)->segmentButton(1), Qt::LeftButton);
        Device* device = window_->document().getEnabledDevice();
        QVERIFY(device->getPortHandle() != -1);
        QAction* close = menuAction(window_, "Close Window");
        QVERIFY(close);
        QCOMPARE(close->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
        QTest::keyClick(window_->sendEditor(), Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(device->getPortHandle(), -1);
        QTRY_VERIFY(window_.isNull());
    }

private:
    std::string enabledName() const { return window_->document().getEnabledDevice()->getAddr(); }
    // The test's end of the window's device.
    const Pty& farEnd() const { return enabledName() == "cu.a" ? a_ : b_; }

    TempDir dev_;
    TempDir sys_;
    Pty a_;
    Pty b_;
    std::unique_ptr<QtTimerDriver> timers_;
    TerminalApplication terminals_;
    QPointer<MyDocumentWindow> window_;
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
