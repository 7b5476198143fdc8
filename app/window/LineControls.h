// The window's line controls: Port menu items for any baud rate and character format, DTR,
// RTS, a break and a DTR pulse, and the status bar's CTS, DSR, DCD and RI indicators. They act
// through the document and show its LineState; while the window is visible and its port has
// modem lines, the lines are polled so the indicators follow them: ten times a second while
// they move, four times a second once they have been still for two seconds. Not while the
// window is minimized; showing draws the lines as last read, without asking the port.
#pragma once

#include <QObject>

#include <array>

class MyDocument;
class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QWidget;

class LineControls : public QObject {
public:
    static constexpr int pollMilliseconds = 100;
    static constexpr int stillPollMilliseconds = 250;
    static constexpr int pollsBeforeStill = 20;

    // Adds the items to port and the indicators to bar; window is the dialogs' parent and
    // whose showing and hiding starts and stops the polling.
    LineControls(QWidget* window, MyDocument& document, QMenu* port, QStatusBar* bar);

    // Shows the document's line state; call it whenever the document's state changed.
    void show();

    QAction* dtrItem() const { return dtr_; }
    QAction* rtsItem() const { return rts_; }
    QAction* breakItem() const { return break_; }
    QAction* pulseItem() const { return pulse_; }
    QAction* baudItem() const { return baud_; }
    QAction* formatItem() const { return format_; }
    // CTS, DSR, DCD, RI.
    const std::array<QLabel*, 4>& indicators() const { return indicators_; }
    bool isPolling() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chooseRate();
    void chooseFormat();
    void poll();

    QWidget* window_;
    MyDocument& document_;
    QAction* baud_;
    QAction* format_;
    QAction* dtr_;
    QAction* rts_;
    QAction* break_;
    QAction* pulse_;
    std::array<QLabel*, 4> indicators_{};
    QTimer* poll_;
    int stillPolls_ = 0;
};
