// Whole windows driven through their widgets, with pseudo-terminals as the serial devices.
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
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
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QStatusBar>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>

using namespace std::chrono_literals;

namespace {

template <typename... Ws>
const Control* modelAmong(QObject* widget)
{
    const Control* model = nullptr;
    ((model = model ? model : qobject_cast<Ws*>(widget) ? &qobject_cast<Ws*>(widget)->model() : nullptr), ...);
    return model;
}

const Control* modelOf(QObject* widget)
{
    return modelAmong<ButtonWidget, TextFieldWidget, TextViewWidget, PopUpButtonWidget, SegmentedControlWidget>(widget);
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

// The window's menu item with this text, mnemonic left out, in the menu of that title.
QAction* item(QMainWindow* window, const QString& menu, const QString& text)
{
    for (QAction* title : window->menuBar()->actions()) {
        for (QAction* action : title->text().remove('&') == menu ? title->menu()->actions() : QList<QAction*>()) {
            if (action->text().remove('&') == text)
                return action;
        }
    }
    return nullptr;
}

QString native(const char* portableKeys)
{
    return QKeySequence(portableKeys).toString(QKeySequence::NativeText);
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        dev_.link("cu.a", a_.slavePath());
        dev_.link("cu.b", b_.slavePath());
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
        for (int i = 0; i < devices_.getNumDevices(); ++i)
            devices_.getDeviceAtIndex(i)->clearRecvBuffer(); // the records outlive the windows
    }

    // No other widget has a tooltip; the keys in them show in the platform's notation.
    void everyTooltipShowsItsKeysNatively()
    {
        TerminalControls& c = window_->controls();
        const std::map<const Control*, QString> tips = {
            {&c.sendButton, "Send Data (Tx)   " + native("Ctrl+Return")},
            {&c.sendTF, "Insert data to be sent (Tx) here"},
            {&c.recieveTF, "Recieved data (Rx) text box"},
            {&c.addNonPrint, "Add a non-printable value   " + native("Ctrl+Shift+Return")},
            {&c.nonPrintTF, "Insert a non-printable value"},
            {&c.addLineButton, "Add 'Line Feed' character   " + native("Ctrl+L")},
            {&c.addTabButton, "Add 'Tab' character   " + native("Ctrl+T")},
            {&c.addNullButton, "Add 'Null' character   " + native("Ctrl+N")},
            {&c.addCRtrnButton, "Add 'Carriage return' character   " + native("Ctrl+R")},
            {&c.clrRecvButton, "Clear recieve buffer"},
            {&c.clrSendButton, "Clear send buffer"},
            {&c.devicePU, "Serial device to use"},
            {&c.refreshButton, "Look for serial devices again   F5"},
            {&c.baudRatePU, "Speed of the line, in bits per second"},
            {&c.packetPU, "Parity, data bits and stop bits"},
            {&c.flowPU, "How each end tells the other to pause"},
            {&c.readToggle, "Read from the device, or close it   " + native("Ctrl+Shift+R")},
            {&c.viewFilter, "Show received bytes as text, text with escapes, decimal or hexadecimal   " + native("Ctrl+1")
                                + " to " + native("Ctrl+4")},
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

    // Alt+letter opens its menu or focuses what its caption names; every letter names one thing.
    void altWithALetterOpensItsMenuOrFocusesItsField()
    {
        for (const auto& [key, title] : {std::pair{Qt::Key_F, "File"}, {Qt::Key_V, "View"}}) {
            QTest::keyClick(window_->sendEditor(), key, Qt::AltModifier);
            QAction* active = window_->menuBar()->activeAction();
            QVERIFY2(active && active->text().remove('&') == title && active->menu()->isVisible(), title);
            active->menu()->close();
        }
        QTest::keyClick(window_->sendEditor(), Qt::Key_A, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), widgetOf(window_, window_->controls().nonPrintTF));
        QStringList letters;
        for (QAction* menu : window_->menuBar()->actions())
            letters << QKeySequence::mnemonic(menu->text()).toString();
        for (QLabel* caption : window_->findChildren<QLabel*>()) {
            if (caption->buddy() && caption->text().contains('&'))
                letters << QKeySequence::mnemonic(caption->text()).toString();
        }
        QCOMPARE(letters.size(), 11);
        QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
    }

    void theTitleNamesTheDeviceAndItsSettings()
    {
        QCOMPARE(window_->windowTitle(), QString::fromStdString(enabledName() + " - 9600 none-8-1 None"));
    }

    void thePortMenusReadingItemFollowsTheToggle()
    {
        QAction* start = item(window_, "Port", "Start Reading");
        QVERIFY(start);
        choose(window_->controls().readToggle, 1);
        QCOMPARE(start->text().remove('&'), QStringLiteral("Stop Reading"));
        start->trigger();
        QVERIFY(!window_->document().isReading());
        QCOMPARE(start->text().remove('&'), QStringLiteral("Start Reading"));
        window_->controls().readToggle.setSelectedSegment(1); // as the document does when a chosen device opens
        QCOMPARE(start->text().remove('&'), QStringLiteral("Stop Reading"));
    }

    void theViewMenuChecksTheViewShownAndChoosesIt()
    {
        const auto checked = [&] {
            QStringList on;
            for (const QString& view : QStringList{"Text", "Mixed", "Decimal", "Hexadecimal"}) {
                if (item(window_, "View", view)->isChecked())
                    on << view;
            }
            return on;
        };
        QCOMPARE(checked(), QStringList{"Text"});
        choose(window_->controls().viewFilter, 3);
        QCOMPARE(checked(), QStringList{"Hexadecimal"});
        item(window_, "View", "Mixed")->trigger();
        QCOMPARE(window_->controls().viewFilter.selectedSegment(), 1);
        QCOMPARE(checked(), QStringList{"Mixed"});
    }

    // Nothing squeezed or outside the window at 640 wide, where two windows share a 1280-pixel
    // screen; a long status ends in "…" and neither widens nor grows it.
    void fitsWithoutClipping()
    {
        const QSize size(640, 500);
        window_->resize(size);
        QTRY_COMPARE(window_->size(), size);
        window_->controls().nonPrintTF.setStringValue(std::string(60, 'x') + " " + std::string(60, 'y'));
        window_->controls().addNonPrint.sendAction();
        const QString status = QString::fromStdString(window_->document().statusText());
        QLabel* shown = nullptr;
        for (QLabel* label : window_->findChildren<QLabel*>())
            shown = label->toolTip() == status ? label : shown;
        QVERIFY(shown);
        QTRY_VERIFY(shown->text().endsWith(QChar(0x2026)));
        QCOMPARE(window_->size(), size);
        for (QWidget* widget : window_->findChildren<QWidget*>()) {
            if (!widget->isVisible() || widget->isWindow())
                continue;
            // What a layout may not go below: the minimum set on the widget, else its hint.
            const QSize least(widget->minimumWidth() > 0 ? widget->minimumWidth() : widget->minimumSizeHint().width(),
                              widget->minimumHeight() > 0 ? widget->minimumHeight() : widget->minimumSizeHint().height());
            const QString name = widget->metaObject()->className() + (" " + widget->toolTip());
            QVERIFY2(widget->width() >= least.width() && widget->height() >= least.height(), qPrintable(name + " squeezed"));
            QVERIFY2(window_->rect().contains(QRect(widget->mapTo(window_, QPoint(0, 0)), widget->size())),
                     qPrintable(name + " outside the window"));
        }
    }

    void aLineFeedsEscapeEndsItsLineUnlessTheViewMenuSaysOtherwise()
    {
        TextViewWidget* received = receiveLines();
        QVERIFY(received);
        QCOMPARE(received->textLayout().lineCount(), std::size_t{81});
        QCOMPARE(received->textLayout().line(1).start, std::size_t{10}); // after "line\13\10"
        QAction* lineFeeds = item(window_, "View", "Break Lines After Line Feeds");
        QVERIFY(lineFeeds && lineFeeds->isChecked());
        lineFeeds->trigger();
        QVERIFY(received->textLayout().line(1).start != 10);
        lineFeeds->trigger();
    }

    // Checked on the widget, which holds what the model only asks for.
    void scrolledUpTheViewHoldsAndTheStatusBarSaysWhy()
    {
        TextViewWidget* received = receiveLines();
        QVERIFY(received);
        received->setFocus();
        QTest::keyClick(received, Qt::Key_PageUp);
        QVERIFY(statusText().contains("Paused at your position"));
        QTest::keyClick(received, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(!statusText().contains("Paused"));
    }

    // No event loop runs between the keys, just as when they arrive in one burst.
    void keysInTheEditorActTheMomentTheyArePressedInTheOrderTyped()
    {
        choose(window_->controls().readToggle, 1);
        TextEditorWidget* editor = window_->sendEditor();
        editor->setFocus();
        for (const auto& [key, modifier] : {std::pair{Qt::Key_A, Qt::NoModifier}, {Qt::Key_L, Qt::ControlModifier},
                                            {Qt::Key_B, Qt::NoModifier}, {Qt::Key_R, Qt::ControlModifier},
                                            {Qt::Key_C, Qt::NoModifier}})
            QTest::keyClick(editor, key, modifier);
        QElapsedTimer sending;
        sending.start();
        QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(farEnd().readMaster(5, 10s), std::string("a\nb\rc"));
        // Well under the 0.1 s tick a late send would wait for, with room for a loaded machine.
        QVERIFY2(sending.nsecsElapsed() < 50'000'000, qPrintable(QString::number(sending.nsecsElapsed() / 1e6) + " ms"));
        QVERIFY(window_->controls().sendTF.string().empty());
        QVERIFY(editor->hasFocus());
    }

    void theValuesFieldTakesTheSameKeys()
    {
        choose(window_->controls().readToggle, 1);
        auto* values = widgetOf<TextFieldWidget>(window_, window_->controls().nonPrintTF);
        values->setFocus();
        QTest::keyClicks(values, "65 66");
        QTest::keyClick(values, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(values->text(), QString());
        QTest::keyClick(values, Qt::Key_T, Qt::ControlModifier);
        QTest::keyClick(values, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(values, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(farEnd().readMaster(4, 10s), std::string("AB\t\0", 4));
    }

    void newWindowOpensASecondWindowOnTheSameDevices()
    {
        QCOMPARE(item(window_, "File", "New Window")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
        item(window_, "File", "New Window")->trigger();
        QList<MyDocumentWindow*> windows;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* candidate = dynamic_cast<MyDocumentWindow*>(widget))
                windows.append(candidate);
        }
        QCOMPARE(windows.size(), 2);
        QPointer<MyDocumentWindow> second = windows.front() == window_ ? windows.back() : windows.front();
        QVERIFY(second->isVisible());
        QCOMPARE(second->controls().devicePU.itemTitles(), window_->controls().devicePU.itemTitles());
        delete second.data();
    }

    void closeWindowClosesItsPort()
    {
        choose(window_->controls().readToggle, 1);
        Device* device = window_->document().getEnabledDevice();
        QVERIFY(device->getPortHandle() != -1);
        QTest::keyClick(window_->sendEditor(), Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(device->getPortHandle(), -1);
        QTRY_VERIFY(window_.isNull());
    }

    void aWindowMadeWithoutAListUsesTheProcesssOwn()
    {
        DeviceList::sharedDeviceList() = DeviceList({dev_.path(), sys_.path(), sys_.path() + "/by-id"});
        MyDocumentWindow window;
        std::vector<std::string> names = window.controls().devicePU.itemTitles();
        std::sort(names.begin(), names.end());
        QCOMPARE(names, (std::vector<std::string>{"cu.a", "cu.b"}));
    }

    void theEditMenuActsOnTheValuesField()
    {
        auto* values = widgetOf<TextFieldWidget>(window_, window_->controls().nonPrintTF);
        values->setFocus();
        QTest::keyClicks(values, "27 91");
        QVERIFY(edit("Select All") && edit("Cut"));
        QCOMPARE(values->text(), QString());
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("27 91"));
        QVERIFY(edit("Undo"));
        QCOMPARE(values->text(), QStringLiteral("27 91"));
    }

    // A paste into it is the text widgets test's.
    void theReceiveViewOnlyGivesItsTextAway()
    {
        TerminalControls& c = window_->controls();
        choose(c.readToggle, 1);
        farEnd().writeMaster("received");
        QTRY_COMPARE(c.recieveTF.string(), u"received");
        window_->receiveView()->setFocus();
        QVERIFY(!edit("Cut") && !edit("Paste"));
        QVERIFY(edit("Select All") && edit("Copy"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("received"));
    }

    // Opened with Alt+E, the menu bar takes the focus; the items still act on the editor.
    void theEditMenuOpenedByItsKeyActsOnTheEditor()
    {
        QApplication::clipboard()->setText(QStringLiteral("pasted"));
        window_->sendEditor()->setFocus();
        QTest::keyClick(window_->sendEditor(), Qt::Key_E, Qt::AltModifier);
        QVERIFY(window_->menuBar()->activeAction());
        QVERIFY(edit("Paste"));
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QCOMPARE(window_->controls().sendTF.string(), u"pasted");
    }

    // Undo belongs to the document (its steps are the transmit composer test's); here the keys
    // and the menu: a character added by its button and a list of values are a step each.
    void undoAndRedoKeysStepThroughTheEditorsEdits()
    {
        TerminalControls& c = window_->controls();
        TextEditorWidget* editor = window_->sendEditor();
        editor->setFocus();
        QTest::keyClicks(editor, "hello");
        QTest::mouseClick(widgetOf(window_, c.addLineButton), Qt::LeftButton);
        c.nonPrintTF.setStringValue("1, 2, 3");
        c.addNonPrint.sendAction();
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(c.sendTF.string(), u"hello");
        QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
#ifndef Q_OS_MACOS
        redoKeys.prepend(QKeySequence(Qt::CTRL | Qt::Key_Y));
#endif
        QTest::keySequence(editor, redoKeys.first());
        QTest::keySequence(editor, redoKeys.last());
        QCOMPARE(c.sendTF.string(), u"hello\n\1\2\3");
        // Once all is undone, the Edit menu offers only Redo.
        while (editor->isUndoAvailable())
            QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_E, Qt::AltModifier);
        QVERIFY(!item(window_, "Edit", "Undo")->isEnabled() && item(window_, "Edit", "Redo")->isEnabled());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    }

    // A character beyond one byte never gets into the Latin-1 editor, and the status bar says why.
    void aKeyTheEncodingCannotSendIsRefusedAndSaidWhy()
    {
        const AttributedText before = window_->controls().sendTF.textStorage();
        QTest::sendKeyEvent(QTest::Click, window_->sendEditor(), Qt::Key_unknown, QStringLiteral("\u4e2d"), Qt::NoModifier);
        QVERIFY(window_->controls().sendTF.textStorage() == before);
        QVERIFY(statusText().startsWith(QStringLiteral("\u4e2d (U+4E2D) cannot be sent as one byte")));
    }

    // Dropped text goes in where it falls; what the encoding cannot send is refused as a paste is.
    void aDropLandsWhereItFallsAndIsRefusedAsAPasteIs()
    {
        TextEditorWidget* editor = window_->sendEditor();
        QTest::keyClicks(editor, "ad");
        const auto drop = [editor](const QString& text, std::size_t position) {
            QMimeData data;
            data.setText(text);
            const QPointF at = editor->cellRect(position).center();
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(editor->viewport(), &enter);
            QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(editor->viewport(), &dropped);
            return enter.isAccepted() && dropped.isAccepted() && dropped.dropAction() == Qt::CopyAction;
        };
        QVERIFY(drop(QStringLiteral("bc"), 1));
        QCOMPARE(window_->controls().sendTF.string(), u"abcd");
        QCOMPARE(editor->caretPosition(), std::size_t{3});

        QVERIFY(!drop(QStringLiteral("x\u20ac"), 2));
        QCOMPARE(window_->controls().sendTF.string(), u"abcd");
        const QString refusal = statusText();
        QVERIFY(refusal.startsWith(QStringLiteral("\u20ac (U+20AC) cannot be sent as one byte")));
        QCOMPARE(editor->caretPosition(), std::size_t{3});
        window_->document().tellUser("");
        QApplication::clipboard()->setText(QStringLiteral("x\u20ac"));
        editor->paste();
        QCOMPARE(window_->controls().sendTF.string(), u"abcd");
        QCOMPARE(statusText(), refusal);
    }

private:
    // Reading in the mixed view as the far end sends 80 lines and "end"; nullptr if they never came.
    TextViewWidget* receiveLines()
    {
        choose(window_->controls().readToggle, 1);
        choose(window_->controls().viewFilter, 1);
        std::string lines;
        for (int i = 0; i < 80; ++i)
            lines += "line\r\n";
        farEnd().writeMaster(lines + "end");
        const bool arrived = QTest::qWaitFor([this] { return window_->controls().recieveTF.string().ends_with(u"end"); });
        return arrived ? window_->receiveView() : nullptr;
    }
    bool edit(const QString& command)
    {
        QAction* action = item(window_, "Edit", command);
        if (!action->isEnabled())
            return false;
        action->trigger();
        return true;
    }
    void choose(const SegmentedControl& toggle, int segment)
    {
        QTest::mouseClick(widgetOf<SegmentedControlWidget>(window_, toggle)->segmentButton(segment), Qt::LeftButton);
    }
    QString statusText() const
    {
        QString shown;
        for (const QLabel* label : window_->statusBar()->findChildren<QLabel*>())
            shown += label->isVisible() ? label->text() : QString();
        return shown;
    }
    std::string enabledName() const { return window_->document().getEnabledDevice()->getAddr(); }
    const Pty& farEnd() const { return enabledName() == "cu.a" ? a_ : b_; }

    TempDir dev_;
    TempDir sys_;
    Pty a_;
    Pty b_;
    DeviceList devices_{{dev_.path(), sys_.path(), sys_.path() + "/by-id"}};
    std::unique_ptr<QtTimerDriver> timers_;
    TerminalApplication terminals_{devices_};
    QPointer<MyDocumentWindow> window_;
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
