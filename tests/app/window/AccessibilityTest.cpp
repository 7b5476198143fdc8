#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "app/window/MyDocumentWindow.h"
#include "devices/DeviceList.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/QtTimerDriver.h"
#include "toolkit/qt/TextEditorWidget.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QAccessible>
#include <QtTest>

namespace {

// The roles of what a user reaches and operates, or reads for the state of things.
bool isControl(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Terminal:
    case QAccessible::StaticText:
    case QAccessible::ButtonMenu:
    case QAccessible::MenuItem: return true;
    default: return false;
    }
}

// The names of the controls in the tree below interface, "" for each that has none.
void collectNames(QAccessibleInterface* interface, QStringList& names)
{
    if (!interface || interface->state().invisible)
        return;
    if (isControl(interface->role()) && interface->role() != QAccessible::StaticText)
        names << interface->text(QAccessible::Name).trimmed();
    else if (interface->role() == QAccessible::StaticText && interface->text(QAccessible::Name).trimmed().isEmpty())
        names << QString();
    for (int i = 0; i < interface->childCount(); ++i)
        collectNames(interface->child(i), names);
}

} // namespace

// The window as a screen reader meets it, through the interfaces Qt hands assistive technology.
class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { dev_.link("cu.usb", pty_.slavePath()); }

    void init()
    {
        window_ = std::make_unique<MyDocumentWindow>(devices_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void cleanup() { window_.reset(); }

    // Each control has a name of its own: two buttons both called "Clear", or segments called
    // "On" with no word of what they switch, leave the user guessing.
    void everyControlHasANameOfItsOwn()
    {
        window_->controls().readToggle.userSelectSegment(1); // the modem-line indicators show
        QStringList names;
        collectNames(QAccessible::queryAccessibleInterface(window_.get()), names);
        QVERIFY(names.size() > 20);
        QVERIFY2(!names.contains(QString()), qPrintable(names.join(", ")));
        QCOMPARE(names.removeDuplicates(), 0);
        QVERIFY(names.contains("Read: On") && names.contains("View: Hex"));
        QAccessibleInterface* editor = QAccessible::queryAccessibleInterface(window_->sendEditor());
        QCOMPARE(editor->text(QAccessible::Name), QStringLiteral("Transmit"));
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(window_->receiveView());
        QCOMPARE(view->text(QAccessible::Name), QStringLiteral("Received"));
        QVERIFY(!view->text(QAccessible::Description).isEmpty());
    }

    // Tab is a character in the editor; Ctrl+Tab leaves it, and Tab goes on to the receive view.
    void theKeyboardLeavesTheEditorAndReachesTheReceiveView()
    {
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        window_->sendEditor()->setFocus();
        QTest::keyClick(window_->sendEditor(), Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(!window_->sendEditor()->hasFocus());
        for (int i = 0; i < 40 && !window_->receiveView()->hasFocus(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(window_->receiveView()->hasFocus());
    }

    // What arrives is read as it shows; what the encoding cannot send stays out, as from the keys.
    void theViewReadsWhatArrivedAndTheEditorRefusesWhatCannotBeSent()
    {
        window_->controls().readToggle.userSelectSegment(1);
        pty_.writeMaster("boot ok\r\n> ");
        QAccessibleTextInterface* view = QAccessible::queryAccessibleInterface(window_->receiveView())->textInterface();
        QTRY_COMPARE(view->text(0, view->characterCount()), QStringLiteral("boot ok\r\n> "));
        int start = 0, end = 0;
        QCOMPARE(view->textAtOffset(2, QAccessible::LineBoundary, &start, &end), QStringLiteral("boot ok\r\n"));

        QAccessibleInterface* editor = QAccessible::queryAccessibleInterface(window_->sendEditor());
        editor->editableTextInterface()->insertText(0, QStringLiteral("AT"));
        editor->editableTextInterface()->insertText(2, QStringLiteral("\u20ac"));
        QCOMPARE(editor->textInterface()->text(0, editor->textInterface()->characterCount()), QStringLiteral("AT"));
        QVERIFY(QString::fromStdString(window_->document().statusText()).startsWith("\u20ac (U+20AC) cannot be sent"));
    }

private:
    LogCapture quiet_;
    TempDir dev_;
    TempDir sys_;
    Pty pty_;
    DeviceList devices_{{dev_.path(), sys_.path()}};
    QtTimerDriver timers_;
    std::unique_ptr<MyDocumentWindow> window_;
};

QTEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
