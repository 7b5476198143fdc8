#include "app/window/LineControls.h"

#include "app/terminal/MyDocument.h"
#include "app/window/BaudRateDialog.h"
#include "app/window/CharacterFormatDialog.h"
#include "devices/CharacterFormat.h"
#include "serial/ModemLines.h"
#include "serial/SerialController.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

namespace {

constexpr struct {
    const char* name;
    unsigned line;
    const char* meaning;
} inputs[] = {
    {"CTS", ModemLines::Cts, QT_TRANSLATE_NOOP("LineControls", "Clear To Send")},
    {"DSR", ModemLines::Dsr, QT_TRANSLATE_NOOP("LineControls", "Data Set Ready")},
    {"DCD", ModemLines::Dcd, QT_TRANSLATE_NOOP("LineControls", "Data Carrier Detect")},
    {"RI", ModemLines::Ri, QT_TRANSLATE_NOOP("LineControls", "Ring Indicator")},
};

} // namespace

LineControls::LineControls(QWidget* window, MyDocument& document, QMenu* port, QStatusBar* bar)
    : QObject(window), window_(window), document_(document), poll_(new QTimer(this))
{
    // The menu tells why an item is disabled, as the rest of the window does in tooltips.
    port->setToolTipsVisible(true);
    port->addSeparator();
    baud_ = port->addAction(tr("&Baud Rate…"), this, &LineControls::chooseRate);
    format_ = port->addAction(tr("Character &Format…"), this, &LineControls::chooseFormat);
    port->addSeparator();
    const auto acted = [this] { document_.userActed(); };
    dtr_ = port->addAction(QStringLiteral("D&TR"), this, [this, acted](bool on) { acted(); document_.lines().setDtr(on); });
    rts_ = port->addAction(QStringLiteral("RT&S"), this, [this, acted](bool on) { acted(); document_.lines().setRts(on); });
    dtr_->setCheckable(true);
    rts_->setCheckable(true);
    break_ = port->addAction(tr("Send Brea&k"), this, [this, acted] { acted(); document_.lines().sendBreak(); });
    pulse_ = port->addAction(tr("&Pulse DTR"), this, [this, acted] { acted(); document_.lines().pulseDtr(); });

    for (std::size_t i = 0; i < indicators_.size(); ++i) {
        auto* label = new QLabel(QString::fromLatin1(inputs[i].name));
        label->setAccessibleName(tr("%1 (%2)").arg(tr(inputs[i].meaning), label->text()));
        label->setAlignment(Qt::AlignCenter);
        label->setMargin(1);
        bar->addPermanentWidget(label);
        indicators_[i] = label;
    }
    // Polling stands in for a thread blocked in TIOCMIWAIT, which macOS lacks: one ioctl per
    // tick, and no ticks while the window is hidden or its port has no lines. Each wake-up of
    // the event loop costs more than the ioctl, so still lines are polled less often.
    poll_->setInterval(pollMilliseconds);
    connect(poll_, &QTimer::timeout, this, &LineControls::poll);
    window_->installEventFilter(this);
}

bool LineControls::isPolling() const
{
    return poll_->isActive();
}

void LineControls::poll()
{
    if (document_.lines().poll())
        stillPolls_ = 0;
    else if (++stillPolls_ == pollsBeforeStill)
        poll_->setInterval(stillPollMilliseconds);
}

bool LineControls::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide ||
                               event->type() == QEvent::WindowStateChange))
        show();
    return QObject::eventFilter(watched, event);
}

void LineControls::show()
{
    const LineControl::LineState& state = document_.lines().shown();
    // A device waited for takes settings too, for when it is back.
    const bool hasDevice = document_.portSettings().has_value();
    baud_->setEnabled(hasDevice);
    format_->setEnabled(hasDevice);

    const QString why = QString::fromStdString(state.why);
    for (QAction* item : {dtr_, break_, pulse_}) {
        item->setEnabled(state.usable);
        item->setToolTip(why);
    }
    rts_->setEnabled(state.rtsUsable);
    rts_->setToolTip(QString::fromStdString(state.rtsWhy));
    dtr_->setChecked(state.asserted & ModemLines::Dtr);
    rts_->setChecked(state.asserted & ModemLines::Rts);
    dtr_->setToolTip(state.usable ? tr("Checked while DTR is asserted") : why);

    for (std::size_t i = 0; i < indicators_.size(); ++i) {
        QLabel* label = indicators_[i];
        const bool on = state.usable && (state.asserted & inputs[i].line);
        label->setEnabled(state.usable);
        // Asserted lines stand out; the rest stay readable, so the four keep their places.
        label->setStyleSheet(on ? QStringLiteral("QLabel { background: #2e9d3a; color: white; border-radius: 3px; }")
                                : QString());
        const QString meaning = tr(inputs[i].meaning);
        label->setToolTip(!state.usable ? why
                          : on          ? tr("%1 (%2) is asserted").arg(meaning, label->text())
                                        : tr("%1 (%2) is not asserted").arg(meaning, label->text()));
        // A screen reader hears the state the colour shows.
        label->setAccessibleDescription(label->toolTip());
    }

    // Anything shown anew (a change, the user's act, a reopen) may be followed by more.
    stillPolls_ = 0;
    if (poll_->interval() != pollMilliseconds)
        poll_->setInterval(pollMilliseconds); // restarts a running timer
    // Nobody sees the indicators of a minimized window.
    const bool polling = state.usable && window_->isVisible() && !window_->isMinimized();
    if (polling && !poll_->isActive())
        poll_->start();
    else if (!polling)
        poll_->stop();
}

void LineControls::chooseRate()
{
    const std::optional<PortSettings> settings = document_.portSettings();
    if (!settings)
        return;
    if (const auto rate = BaudRateDialog::ask(SerialController::requestedRate(settings->baud), window_)) {
        document_.userActed();
        document_.chooseBaudRate(*rate);
    }
}

void LineControls::chooseFormat()
{
    const std::optional<PortSettings> settings = document_.portSettings();
    if (!settings)
        return;
    const CharacterFormat current = CharacterFormat::fromFlag(settings->packet);
    if (const auto format = CharacterFormatDialog::ask(current, SerialController::hasMarkSpaceParity(), window_)) {
        document_.userActed();
        document_.chooseCharacterFormat(*format);
    }
}
