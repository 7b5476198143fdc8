// Runs the RunLoop's timers on the Qt event loop: one QTimer for each Timer, for as long as
// the Timer lives and stays valid. Make one after the QApplication, before any timer is due;
// only one may exist at a time.
#pragma once

#include "toolkit/Timer.h"

#include <QObject>

#include <memory>

class QtTimerDriver : public QObject {
    Q_OBJECT

public:
    explicit QtTimerDriver(QObject* parent = nullptr);
    ~QtTimerDriver() override;

private:
    void schedule(const std::shared_ptr<Timer>& timer);
};
