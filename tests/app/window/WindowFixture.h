// Whole windows driven through their widgets, with pseudo-terminals as the serial devices:
// the set-up every window test program shares (two ports, cu.a and cu.b, and a new window for
// each test) and the helpers that find a window's widgets and menu items.
#pragma once

#include "serial/SerialController.h"
#include "app/startup/StartOptions.h"
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "app/window/BaudRateDialog.h"
#include "app/window/CaptureDialog.h"
#include "app/window/CharacterFormatDialog.h"
#include "app/window/ConsolePane.h"
#include "app/window/LineControls.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/QuitOnSignals.h"
#include "app/window/SendTools.h"
#include "app/window/TerminalApplication.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "tests/support/FakeModemLines.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/ButtonWidget.h"
#include "toolkit/qt/PopUpButtonWidget.h"
#include "toolkit/qt/QtTimerDriver.h"
#include "toolkit/qt/SegmentedControlWidget.h"
#include "toolkit/qt/TextEditorWidget.h"
#include "toolkit/qt/TextFieldWidget.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

using namespace std::chrono_literals;

template <typename... Ws>
const Control* modelAmong(QObject* widget)
{
    const Control* model = nullptr;
    ((model = model ? model : qobject_cast<Ws*>(widget) ? &qobject_cast<Ws*>(widget)->model() : nullptr), ...);
    return model;
}

inline const Control* modelOf(QObject* widget)
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
inline QAction* item(QMainWindow* window, const QString& menu, const QString& text)
{
    for (QAction* title : window->menuBar()->actions()) {
        for (QAction* action : title->text().remove('&') == menu ? title->menu()->actions() : QList<QAction*>()) {
            if (action->text().remove('&') == text)
                return action;
        }
    }
    return nullptr;
}

// The roles of what a user reaches and operates.
inline bool isControl(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Terminal:
    case QAccessible::ButtonMenu:
    case QAccessible::MenuItem: return true;
    default: return false;
    }
}

// The names of the controls in the tree below interface, "" for each that has none, and ""
// for each text read for the state of things that has none.
inline void collectNames(QAccessibleInterface* interface, QStringList& names)
{
    if (!interface || interface->state().invisible)
        return;
    if (isControl(interface->role()))
        names << interface->text(QAccessible::Name).trimmed();
    else if (interface->role() == QAccessible::StaticText && interface->text(QAccessible::Name).trimmed().isEmpty())
        names << QString();
    for (int i = 0; i < interface->childCount(); ++i)
        collectNames(interface->child(i), names);
}

// Answers the next modal dialog of type D with `fill`, then accepts it.
template <typename D>
void answerDialog(QObject* context, std::function<void(D&)> fill)
{
    QTimer::singleShot(0, context, [fill] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        fill(*dialog);
        dialog->accept();
    });
}

inline QString native(const char* portableKeys)
{
    return QKeySequence(portableKeys).toString(QKeySequence::NativeText);
}


class WindowFixture : public QObject {
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


protected:
    // The port's lines from now on are the wire's, read once.
    LineControls& fake()
    {
        lineControls();
        window_->document().serialController().setModemLinesFactory(FakeModemLines::factory(wire_));
        window_->document().lines().poll();
        return window_->lineControls();
    }
    // The line controls of a window reading its port.
    LineControls& lineControls()
    {
        choose(window_->controls().readToggle, 1);
        return window_->lineControls();
    }

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
    QStringList statusFields() const
    {
        QStringList shown;
        for (const QLabel* label : window_->statusBar()->findChildren<QLabel*>())
            shown << (label->isVisible() ? label->text() : QString());
        return shown;
    }
    QString statusText() const { return statusFields().join(QString()); }
    std::string enabledName() const { return window_->document().getEnabledDevice()->getAddr(); }
    const Pty& farEnd() const { return enabledName() == "cu.a" ? a_ : b_; }

    LogCapture quiet_;
    TempDir dev_;
    TempDir sys_;
    Pty a_;
    Pty b_;
    DeviceList devices_{{dev_.path(), sys_.path(), sys_.path() + "/by-id"}};
    std::unique_ptr<QtTimerDriver> timers_;
    TerminalApplication terminals_{devices_};
    std::shared_ptr<FakeModemLines::Wire> wire_ = std::make_shared<FakeModemLines::Wire>();
    QPointer<MyDocumentWindow> window_;
};
