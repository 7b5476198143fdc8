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
#include "toolkit/qt/ButtonWidget.h"
#include "toolkit/qt/PopUpButtonWidget.h"
#include "toolkit/qt/QtTimerDriver.h"
#include "toolkit/qt/SegmentedControlWidget.h"
#include "toolkit/qt/TextEditorWidget.h"
#include "toolkit/qt/TextFieldWidget.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QPointer>
#include <QtTest>

#include <chrono>
#include <map>
#include <memory>

using namespace std::chrono_literals;

namespace {

// The model a bound widget shows, or null for any other widget.
const Control* modelOf(QObject* widget)
{
    if (auto* button = qobject_cast<ButtonWidget*>(widget))
        return &button->model();
    if (auto* field = qobject_cast<TextFieldWidget*>(widget))
        return &field->model();
    if (auto* view = qobject_cast<TextViewWidget*>(widget))
        return &view->model();
    if (auto* popUp = qobject_cast<PopUpButtonWidget*>(widget))
        return &popUp->model();
    if (auto* segments = qobject_cast<SegmentedControlWidget*>(widget))
        return &segments->model();
    return nullptr;
}

template <typename W = QWidget>
W* widgetOf(QWidget* window, const Control& model)
{
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (modelOf(widget) == &model)
            return qobject_cast<W*>(widget);
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
        DeviceList::sharedDeviceList() = DeviceList({dev_.path(), sys_.path()});
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

    // Every tooltip the window shows, on the widget a person hovers; no other widget has one.
    void everyWidgetShowsItsTooltip()
    {
        const TerminalControls& c = window_->controls();
        // The keys in them show as the platform writes them: "Ctrl+Return" here, "⌘↵" on a Mac.
        const auto keys = [](const char* portable) { return QKeySequence(portable).toString(QKeySequence::NativeText); };
        const std::map<const Control*, QString> tips = {
            {&c.sendButton, "Send Data (Tx)   " + keys("Ctrl+Return")},
            {&c.sendTF, "Insert data to be sent (Tx) here"},
            {&c.recieveTF, "Recieved data (Rx) text box"},
            {&c.addNonPrint, "Add a non-printable value   " + keys("Ctrl+Shift+Return")},
            {&c.nonPrintTF, "Insert a non-printable value"},
            {&c.addLineButton, "Add 'Line Feed' character   " + keys("Ctrl+L")},
            {&c.addTabButton, "Add 'Tab' character   " + keys("Ctrl+T")},
            {&c.addNullButton, "Add 'Null' character   " + keys("Ctrl+N")},
            {&c.addCRtrnButton, "Add 'Carriage return' character   " + keys("Ctrl+R")},
            {&c.clrRecvButton, "Clear recieve buffer"},
            {&c.clrSendButton, "Clear send buffer"},
            {&c.devicePU, "Serial device to use"},
            {&c.refreshButton, "Look for serial devices again   F5"},
            {&c.baudRatePU, "Speed of the line, in bits per second"},
            {&c.packetPU, "Parity, data bits and stop bits"},
            {&c.flowPU, "How each end tells the other to pause"},
            {&c.readToggle, "Read from the device, or close it   " + keys("Ctrl+Shift+R")},
            {&c.viewFilter, "Show received bytes as text, text with escapes, decimal or hexadecimal   " + keys("Ctrl+1") +
                                " to " + keys("Ctrl+4")},
        };
        std::size_t shown = 0;
        for (QWidget* widget : window_->findChildren<QWidget*>()) {
            if (const Control* model = modelOf(widget)) {
                const auto tip = tips.find(model);
                QCOMPARE(widget->toolTip(), tip == tips.end() ? QString() : tip->second);
                shown += tip != tips.end();
            }
        }
        QCOMPARE(shown, tips.size());
    }

    void fitsIn800By500WithoutClipping()
    {
        // A window whose layout needs more cannot be made this small.
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
        QCOMPARE(window_->windowTitle(), QString::fromStdString(enabledName() + " - 9600 none-8-1 None"));
        // Choose the other device with the keyboard, as in a closed combo box.
        auto* devices = widgetOf<PopUpButtonWidget>(window_, c.devicePU);
        const std::string first = enabledName();
        devices->setFocus();
        QTest::keyClick(devices, devices->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
        QVERIFY(enabledName() != first);
        QCOMPARE(window_->windowTitle(), QString::fromStdString(enabledName() + " - 9600 none-8-1 None"));
        QVERIFY(window_->document().isReading());
        const Pty& device = farEnd();

        device.writeMaster(std::string("Hi\r\n\0", 5));
        QTRY_COMPARE(c.recieveTF.string(), std::u16string(u"Hi\r\n\0", 5));
        choose(c.viewFilter, 1);
        QCOMPARE(c.recieveTF.string(), u"Hi\\13\\10\\0");
        QVERIFY(c.recieveTF.textStorage().attributeAtIndex(2) == grayColor());
        QVERIFY(c.recieveTF.textStorage().attributeAtIndex(0) == nullptr);

        // A line feed's escape ends its line unless the View menu says otherwise; only the
        // layout follows the choice.
        TextViewWidget* received = window_->receiveView();
        QCOMPARE(received->textLayout().lineCount(), std::size_t{2});
        QCOMPARE(received->textLayout().line(1).start, std::size_t{8}); // after "Hi\13\10"
        QAction* lineFeeds = viewItem("Break Lines After Line Feeds");
        QVERIFY(lineFeeds && lineFeeds->isChecked());
        lineFeeds->trigger();
        QCOMPARE(received->textLayout().lineCount(), std::size_t{1});
        QCOMPARE(c.recieveTF.string(), u"Hi\\13\\10\\0");
        lineFeeds->trigger();

        // Scrolled up, the view stays put as data arrives and the status bar says why; Ctrl+End
        // follows the data again.
        std::string lines;
        for (int i = 0; i < 80; ++i)
            lines += "line-" + std::to_string(i) + "\r\n";
        device.writeMaster(lines);
        QTRY_VERIFY(c.recieveTF.string().ends_with(u"line-79\\13\\10"));
        QScrollBar* bar = received->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());
        received->setFocus();
        const int height = received->height();
        QTest::keyClick(received, Qt::Key_PageUp);
        const int reading = bar->value();
        QVERIFY(reading < bar->maximum());
        QVERIFY(statusText().contains("Paused at your position"));
        QTest::qWait(50);
        QCOMPARE(received->height(), height); // the hint takes no room from the view
        device.writeMaster("one-more\r\n");
        QTRY_VERIFY(c.recieveTF.string().ends_with(u"more\\13\\10"));
        QCOMPARE(bar->value(), reading);
        QTest::keyClick(received, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(!statusText().contains("Paused"));
        device.writeMaster("and-more\r\n");
        QTRY_VERIFY(c.recieveTF.string().ends_with(u"and-more\\13\\10"));
        QCOMPARE(bar->value(), bar->maximum());

        TextEditorWidget* editor = window_->sendEditor();
        editor->setFocus();
        QTest::keyClicks(editor, "AT");
        QTest::keyClick(editor, Qt::Key_Return);
        click("CR");
        QCOMPARE(c.sendTF.string(), u"AT\\10\\13");
        // A key acts the moment it is pressed.
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY(c.sendTF.string().empty());
        QCOMPARE(device.readMaster(4, 1s), std::string("AT\n\r"));
        QVERIFY(editor->hasFocus());

        // Reading off through the toggle closes the port.
        choose(c.readToggle, 0);
        QCOMPARE(window_->document().getEnabledDevice()->getPortHandle(), -1);
    }

    void theEditorKeepsCrLfAndNulInEveryView()
    {
        TerminalControls& c = window_->controls();
        choose(c.readToggle, 1);
        TextEditorWidget* editor = window_->sendEditor();
        for (int mode = 0; mode < 4; ++mode) {
            choose(c.viewFilter, mode);
            editor->setFocus();
            QTest::keyClick(editor, Qt::Key_A);
            QTest::keyClick(editor, Qt::Key_Return);
            click("CR");
            click("Null");
            editor->setFocus();
            QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(editor, Qt::Key_B);
            click("Send");
            QCOMPARE(farEnd().readMaster(5, 1s), std::string("a\n\r\0b", 5));
        }
    }

    void anIdleWindowSleepsAndWakesWhenDataArrives()
    {
        choose(window_->controls().readToggle, 1);
        QTRY_VERIFY_WITH_TIMEOUT(window_->document().isAsleep(), 3000);
        farEnd().writeMaster("late news");
        QTRY_VERIFY_WITH_TIMEOUT(!window_->document().isAsleep(), 1000);
        QTRY_VERIFY(window_->controls().recieveTF.string().ends_with(u"late news"));
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
        choose(window_->controls().readToggle, 1);
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
    // Clicks the button with this title, as a person finds it.
    void click(const QString& title)
    {
        for (auto* button : window_->findChildren<ButtonWidget*>()) {
            if (button->text() == title)
                return QTest::mouseClick(button, Qt::LeftButton);
        }
        QFAIL(qPrintable("no button " + title));
    }
    void choose(const SegmentedControl& toggle, int segment)
    {
        QTest::mouseClick(widgetOf<SegmentedControlWidget>(window_, toggle)->segmentButton(segment), Qt::LeftButton);
    }
    QAction* viewItem(const QString& text) const
    {
        for (QAction* title : window_->menuBar()->actions()) {
            for (QAction* action : title->text().remove('&') == "View" ? title->menu()->actions() : QList<QAction*>()) {
                if (action->text().remove('&') == text)
                    return action;
            }
        }
        return nullptr;
    }
    QString statusText() const
    {
        QString shown;
        for (const QLabel* label : window_->statusBar()->findChildren<QLabel*>())
            shown += label->isVisible() ? label->text() : QString();
        return shown;
    }
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
