#include "toolkit/qt/QtTimerDriver.h"

#include "toolkit/RunLoop.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cmath>

QtTimerDriver::QtTimerDriver(QObject* parent)
    : QObject(parent)
{
    RunLoop::currentRunLoop().setScheduler([this](const std::shared_ptr<Timer>& timer) { schedule(timer); });
    RunLoop::currentRunLoop().setWatchScheduler([this](const std::shared_ptr<ReadWatch>& w) { watch(w); });
}

QtTimerDriver::~QtTimerDriver()
{
    RunLoop::currentRunLoop().setScheduler(nullptr);
    RunLoop::currentRunLoop().setWatchScheduler(nullptr);
}

void QtTimerDriver::schedule(const std::shared_ptr<Timer>& timer)
{
    auto* clock = new QTimer(this);
    // A tenth of a second need not be exact; coarse timers let the system batch wake-ups.
    clock->setTimerType(Qt::CoarseTimer);
    clock->setInterval(std::max(1, static_cast<int>(std::lround(timer->timeInterval() * 1000))));
    clock->setSingleShot(!timer->repeats());
    const std::weak_ptr<Timer> weak = timer;
    connect(clock, &QTimer::timeout, clock, [clock, weak] {
        const std::shared_ptr<Timer> target = weak.lock();
        if (target)
            target->fire();
        if (!target || !target->isValid()) {
            clock->stop();
            clock->deleteLater();
        }
    });
    clock->start();
}

void QtTimerDriver::watch(const std::shared_ptr<ReadWatch>& watch)
{
    QPointer<QSocketNotifier> notifier = new QSocketNotifier(static_cast<qintptr>(watch->descriptor()),
                                                             watch->forWriting() ? QSocketNotifier::Write
                                                                                 : QSocketNotifier::Read,
                                                             this);
    // The watch ends before its descriptor closes; so must the notifier, at once.
    watch->setCancelHook([notifier] {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    });
    const std::weak_ptr<ReadWatch> weak = watch;
    connect(notifier, &QSocketNotifier::activated, notifier, [weak] {
        if (const std::shared_ptr<ReadWatch> target = weak.lock())
            target->fire();
    });
}
