// The window's keyboard side on the offscreen platform: shortcuts acting the moment they are
// pressed, menus that follow the controls, tooltips in the platform's key notation, mnemonics
// that reach what they name, and a width that lets two windows share a 1280-pixel screen.
#include "app/MyDocument.h"
#include "app/TerminalControls.h"
#include "app/decode.h"
#include "app/filterString.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/TerminalApplication.h"
#include "devices/DeviceList.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/ButtonWidget.h"
#include "toolkit/qt/PopUpButtonWidget.h"
#include "toolkit/qt/QtTimerDriver.h"
#include "toolkit/qt/SegmentedControlWidget.h"
#include "toolkit/qt/TextEditorWidget.h"
#include "toolkit/qt/TextFieldWidget.h"
#include "toolkit/qt/nativeKeyText.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
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

// The window's menu item with this text, mnemonic left out, in the menu of that title.
QAction* item(QMainWindow* window, const QString& menu, const QString& text)
{
    for (QAction* title : window->menuBar()->actions()) {
        if (title->text().remove('&') != menu)
            continue;
        for (QAction* action : title->menu()->actions()) {
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

class WindowKeysTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        dev_.link("cu.keys", port_.slavePath());
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

    void tooltipsWriteKeysAsThePlatformDoes()
    {
        // A word of modifier glyphs and one key becomes the platform's notation; all else stays.
        QCOMPARE(nativeKeyText("Add   \u2318\u21E7\u21B5"), "Add   " + native("Ctrl+Shift+Return"));
        QCOMPARE(nativeKeyText("\u2325\u2318X or \u23181 to \u23184"),
                 native("Alt+Ctrl+X") + " or " + native("Ctrl+1") + " to " + native("Ctrl+4"));
        const char* untouched = "F5, a\u2318b, \u2318 alone, \u2318\u21E7 and \u2318L, then";
        QCOMPARE(nativeKeyText(untouched), QString::fromUtf8(untouched));

        TerminalControls& c = window_->controls();
        QCOMPARE(boundTo<ButtonWidget>(window_, c.sendButton)->toolTip(), "Send Data (Tx)   " + native("Ctrl+Return"));
        QCOMPARE(boundTo<ButtonWidget>(window_, c.addNonPrint)->toolTip(),
                 "Add a non-printable value   " + native("Ctrl+Shift+Return"));
        QCOMPARE(boundTo<ButtonWidget>(window_, c.addLineButton)->toolTip(), "Add 'Line Feed' character   " + native("Ctrl+L"));
        QVERIFY(boundTo<SegmentedControlWidget>(window_, c.readToggle)->toolTip().endsWith(native("Ctrl+Shift+R")));
        QVERIFY(boundTo<ButtonWidget>(window_, c.refreshButton)->toolTip().endsWith("F5"));
        // Every setting says what it is for.
        for (const PopUpButton* setting : {&c.devicePU, &c.baudRatePU, &c.packetPU, &c.flowPU})
            QVERIFY(!boundTo<PopUpButtonWidget>(window_, *setting)->toolTip().isEmpty());
        QVERIFY(!boundTo<SegmentedControlWidget>(window_, c.viewFilter)->toolTip().isEmpty());
    }

    void menusFollowTheControls()
    {
        TerminalControls& c = window_->controls();
        // The reading item says what it will do, whoever switched reading.
        QAction* start = item(window_, "Port", "Start Reading");
        QVERIFY(start);
        QTest::mouseClick(boundTo<SegmentedControlWidget>(window_, c.readToggle)->segmentButton(1), Qt::LeftButton);
        QCOMPARE(start->text().remove('&'), QStringLiteral("Stop Reading"));
        start->trigger();
        QVERIFY(!window_->document().isReading());
        QCOMPARE(start->text().remove('&'), QStringLiteral("Start Reading"));
        c.readToggle.setSelectedSegment(1); // as the document does when a chosen device opens
        QCOMPARE(start->text().remove('&'), QStringLiteral("Stop Reading"));

        // One view is checked: the one the toggle shows.
        const QStringList views{"Text", "Mixed", "Decimal", "Hexadecimal"};
        const auto checked = [&] {
            QStringList on;
            for (const QString& view : views) {
                if (item(window_, "View", view)->isChecked())
                    on << view;
            }
            return on;
        };
        QCOMPARE(checked(), QStringList{"Text"});
        QTest::mouseClick(boundTo<SegmentedControlWidget>(window_, c.viewFilter)->segmentButton(3), Qt::LeftButton);
        QCOMPARE(checked(), QStringList{"Hexadecimal"});
        item(window_, "View", "Mixed")->trigger();
        QCOMPARE(c.viewFilter.selectedSegment(), 1);
        QCOMPARE(checked(), QStringList{"Mixed"});

        // About names the program, its version, the Qt it runs on and its licence.
        QString about;
        QTimer::singleShot(0, this, [&about] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            about = box->text();
            box->accept();
        });
        item(window_, "Help", "About Serial Terminal")->trigger();
        for (const QString& piece : {QStringLiteral("Serial Terminal " SERIALTERM_VERSION), QStringLiteral("Qt ") + qVersion(),
                                    QStringLiteral("MIT License")})
            QVERIFY2(about.contains(piece), qPrintable(about));
    }

    void editMenuActsOnTheFocusedText()
    {
        TerminalControls& c = window_->controls();
        const auto edit = [this](const QString& command) {
            QAction* action = item(window_, "Edit", command);
            if (!action->isEnabled())
                return false;
            action->trigger();
            return true;
        };
        auto* values = boundTo<TextFieldWidget>(window_, c.nonPrintTF);
        values->setFocus();
        QTest::keyClicks(values, "27 91");
        QVERIFY(edit("Select All") && edit("Cut"));
        QCOMPARE(values->text(), QString());
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("27 91"));
        QVERIFY(edit("Undo"));
        QCOMPARE(values->text(), QStringLiteral("27 91"));

        // The receive view only gives its text away.
        c.readToggle.userSelectSegment(1);
        port_.writeMaster("received");
        QTRY_COMPARE(c.recieveTF.string(), u"received");
        window_->receiveView()->setFocus();
        QVERIFY(!edit("Cut") && !edit("Paste"));
        QVERIFY(edit("Select All") && edit("Copy"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("received"));
        QTest::keyClick(window_->receiveView(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(c.recieveTF.string(), u"received");

        // Opened with Alt+E, the menu bar takes the focus; the items still act on the editor.
        window_->sendEditor()->setFocus();
        QTest::keyClick(window_->sendEditor(), Qt::Key_E, Qt::AltModifier);
        QVERIFY(window_->menuBar()->activeAction());
        QVERIFY(edit("Paste"));
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QCOMPARE(c.sendTF.string(), u"received");
    }

    void undoGivesBackWhatTheEditorShowedBeforeEachStep()
    {
        TerminalControls& c = window_->controls();
        TextEditorWidget* editor = window_->sendEditor();
        editor->setFocus();
        const auto undo = [editor] { QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier); };
        const auto shown = [&c] { return c.sendTF.textStorage(); };

        // Typing comes back a word at a time; the platform's Redo key redoes, and so does Ctrl+Y.
        QTest::keyClicks(editor, "hello world");
        undo();
        QCOMPARE(c.sendTF.string(), u"hello ");
        undo();
        QCOMPARE(c.sendTF.string(), u"");
        QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
#ifndef Q_OS_MACOS
        redoKeys.prepend(QKeySequence(Qt::CTRL | Qt::Key_Y));
#endif
        QTest::keySequence(editor, redoKeys.first());
        QTest::keySequence(editor, redoKeys.last());
        QCOMPARE(c.sendTF.string(), u"hello world");
        // A character added by its button, and a list of values, is one step each.
        QTest::mouseClick(boundTo<ButtonWidget>(window_, c.addLineButton), Qt::LeftButton);
        c.nonPrintTF.setStringValue("1, 2, 3");
        c.addNonPrint.sendAction();
        undo();
        QCOMPARE(c.sendTF.string(), u"hello world\n");
        undo();
        QCOMPARE(c.sendTF.string(), u"hello world");

        // In Hex the document rewrites far more than was typed; undo gives back exactly what
        // was shown before, colours included, whether the key went inside an escape or after.
        QTest::keyClick(editor, Qt::Key_4, Qt::ControlModifier);
        const AttributedText hex = shown();
        c.sendTF.setSelectedRange(TextRange{4, 0}); // "\0x6|8"
        QTest::keyClicks(editor, "2");
        QVERIFY(shown() != hex);
        undo();
        QVERIFY(shown() == hex);
        QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(editor, "\\0x41"); // the backslash and the word after it: two steps
        undo();
        undo();
        QVERIFY(shown() == hex);

        // Steps outlive a view switch when the new view shows their characters as they are...
        QTest::keyClick(editor, Qt::Key_3, Qt::ControlModifier);
        undo();
        QCOMPARE(decodeEscapes(shown(), 2), u"hello ");
        QVERIFY(shown() == filterString(u"hello ", 2));
        // ...and are dropped when it cannot: undone in Hex, a step holding a character beyond a
        // byte would show as an escape that reads as nothing.
        QTest::keyClick(editor, Qt::Key_1, Qt::ControlModifier);
        QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QStringLiteral("\u4e2d"), Qt::NoModifier);
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClick(editor, Qt::Key_4, Qt::ControlModifier);
        const AttributedText before = shown();
        undo();
        QVERIFY(shown() == before);
        QVERIFY(shown() == filterString(decodeEscapes(shown(), 3), 3));
        QVERIFY(!editor->isUndoAvailable());

        // Clearing and sending are undone too: what was sent comes back to be sent again.
        QTest::keyClick(editor, Qt::Key_1, Qt::ControlModifier);
        c.readToggle.userSelectSegment(1);
        QTest::keyClicks(editor, "ping");
        QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(port_.readMaster(10, 1s), std::string("hello ping"));
        undo();
        QCOMPARE(c.sendTF.string(), u"hello ping");
        c.clrSendButton.sendAction();
        QVERIFY(c.sendTF.string().empty());

        // The Edit menu offers undo only when there is something to undo.
        QTest::keyClick(editor, Qt::Key_E, Qt::AltModifier);
        QAction* undoItem = item(window_, "Edit", "Undo");
        QVERIFY(undoItem->isEnabled());
        undoItem->trigger();
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QCOMPARE(c.sendTF.string(), u"hello ping");
        while (editor->isUndoAvailable())
            undo();
        QTest::keyClick(editor, Qt::Key_E, Qt::AltModifier);
        QVERIFY(!undoItem->isEnabled() && item(window_, "Edit", "Redo")->isEnabled());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    }

    void mnemonicsReachWhatTheyName()
    {
        const auto opens = [this](Qt::Key key, const QString& title) {
            QTest::keyClick(window_->sendEditor(), key, Qt::AltModifier);
            QAction* active = window_->menuBar()->activeAction();
            const bool open = active && active->text().remove('&') == title && active->menu()->isVisible();
            if (active)
                active->menu()->close();
            return open;
        };
        QVERIFY(opens(Qt::Key_F, "File"));
        QVERIFY(opens(Qt::Key_V, "View"));
        QTest::keyClick(window_->sendEditor(), Qt::Key_A, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), boundTo<TextFieldWidget>(window_, window_->controls().nonPrintTF));

        // Every Alt+letter names one thing: a menu or a control's caption.
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

    void twoWindowsFitSideBySide()
    {
        QVERIFY2(window_->minimumSizeHint().width() <= 640,
                 qPrintable(QString::number(window_->minimumSizeHint().width())));
        window_->resize(640, 500);
        QTRY_COMPARE(window_->size(), QSize(640, 500));
        // A long status ends in "…" and shows whole on hover; it neither widens nor grows the window.
        window_->controls().nonPrintTF.setStringValue(std::string(60, 'x') + " " + std::string(60, 'y'));
        window_->controls().addNonPrint.sendAction();
        const QString status = QString::fromStdString(window_->document().statusText());
        QLabel* shown = nullptr;
        for (QLabel* label : window_->findChildren<QLabel*>())
            shown = label->toolTip() == status ? label : shown;
        QVERIFY(shown);
        QTRY_VERIFY(shown->text().endsWith(QChar(0x2026)));
        QCOMPARE(window_->size(), QSize(640, 500));
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
