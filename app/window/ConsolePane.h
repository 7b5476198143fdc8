// A window's console mode: View > Console Mode puts a terminal of the reading area's size in
// place of the receive view, which keeps filling underneath. The console hears the window's
// received stream while it shows, sends its keys and the emulator's answers to the port as
// they are, and while it shows moves the window's Ctrl+letter shortcuts to Ctrl+Shift+letter
// so that those keys reach the device. Port > Console Keys chooses what Enter and Backspace
// send and whether keys are echoed. The device's title joins the window's. It lives as long as
// its window, whose document (and stream) go first: it never reaches them from its destructor.
#pragma once

#include "app/console/ConsoleEmulator.h"
#include "app/console/ConsoleKeys.h"
#include "app/stream/StreamConsumer.h"

#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>
#include <string>

class ConsoleView;
class MyDocumentWindow;
class QAction;
class QMenu;

class ConsolePane : public QObject, private StreamConsumer {
    Q_OBJECT

public:
    explicit ConsolePane(MyDocumentWindow& window);
    ~ConsolePane() override;

    bool isOn() const { return on_; }
    void setOn(bool on);
    QAction* modeAction() const { return mode_; }
    bool localEcho() const { return echo_; }
    void setLocalEcho(bool on) { echo_ = on; }

    ConsoleEmulator& emulator() { return *emulator_; }
    ConsoleKeys& keys() { return *keys_; }
    ConsoleView* view() const;

private:
    void received(std::string_view bytes, const Moment& at) override;
    void portEvent(const PortEvent&) override {}

    void buildKeysMenu(QMenu* port);
    void send(const std::string& bytes);
    void followWindow();
    void showTitle();
    // Ctrl+letter shortcuts of the window's actions to Ctrl+Shift+letter, or back.
    void moveShortcuts(bool toShift);

    MyDocumentWindow& window_;
    std::unique_ptr<ConsoleEmulator> emulator_;
    std::unique_ptr<ConsoleKeys> keys_;
    QPointer<ConsoleView> view_;
    QPointer<QWidget> receivePane_;
    QAction* mode_ = nullptr;
    bool on_ = false;
    bool echo_ = false;
    QString baseTitle_;
    std::string shownTitle_;
    QHash<QAction*, QList<QKeySequence>> movedShortcuts_;
};
