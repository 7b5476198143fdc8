// Runs the RunLoop's timers and descriptor watches on the Qt event loop: one QTimer for each
// Timer and one QSocketNotifier for each ReadWatch, for as long as they live and stay valid.
// Make one after the QApplication, before any timer is due; only one may exist at a time.
#pragma once

#include "toolkit/ReadWatch.h"
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
    void watch(const std::shared_ptr<ReadWatch>& watch);
};
