// The Port menu's line items, the status bar's indicators and the two dialogs, in a real
// window whose device is a pty (no modem lines) or has its lines stood in by a fake.
#include "serial/SerialController.h"
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "app/window/BaudRateDialog.h"
#include "app/window/CharacterFormatDialog.h"
#include "app/window/LineControls.h"
#include "app/window/MyDocumentWindow.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "tests/support/FakeModemLines.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/QtTimerDriver.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

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

} // namespace

class LineControlsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        dev_.link("cu.a", pty_.slavePath());
        timers_ = std::make_unique<QtTimerDriver>();
    }

    void init()
    {
        window_ = std::make_unique<MyDocumentWindow>(devices_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->controls().readToggle.userSelectSegment(1);
    }

    void cleanup() { window_.reset(); }

    void aPtyHasNoModemLinesSoTheirItemsAreDisabledAndSayWhy()
    {
        LineControls& lines = window_->lineControls();
        const auto disabledSayingWhy = [](const auto* control) {
            return !control->isEnabled() && control->toolTip() == QStringLiteral("This port has no modem lines");
        };
        for (QAction* item : {lines.dtrItem(), lines.rtsItem(), lines.breakItem(), lines.pulseItem()})
            QVERIFY(disabledSayingWhy(item));
        for (QLabel* indicator : lines.indicators())
            QVERIFY(disabledSayingWhy(indicator));
        QVERIFY(!lines.isPolling());
        QVERIFY(lines.baudItem()->isEnabled() && lines.formatItem()->isEnabled());
    }

    // Drawing shows the lines as last read: a wedged port can't stall it.
    void theItemsSwitchTheLinesAndDrawingDoesNotReadThem()
    {
        LineControls& lines = fake();
        QVERIFY(lines.dtrItem()->isChecked() && lines.isPolling());
        const int reads = wire_->reads;
        lines.show();
        QCOMPARE(wire_->reads, reads);
        lines.dtrItem()->trigger();
        QVERIFY(!(wire_->asserted & ModemLines::Dtr) && !lines.dtrItem()->isChecked());
    }

    void theIndicatorsFollowTheLinesAtEachPoll()
    {
        LineControls& lines = fake();
        wire_->asserted |= ModemLines::Dsr;
        QMetaObject::invokeMethod(lines.findChild<QTimer*>(), "timeout");
        QCOMPARE(lines.indicators()[1]->toolTip(), QStringLiteral("Data Set Ready (DSR) is asserted"));
    }

    void pollingStopsWhileTheWindowIsMinimizedOrHidden()
    {
        LineControls& lines = fake();
        window_->showMinimized();
        QTRY_VERIFY(!lines.isPolling());
        window_->showNormal();
        QTRY_VERIFY(lines.isPolling());
        window_->hide();
        QVERIFY(!lines.isPolling());
    }

    // The extra pop-up entry and the title are the settings pop-ups test's.
    void theRateDialogTakesAnyRateInRange()
    {
        answerDialog<BaudRateDialog>(this, [](BaudRateDialog& dialog) {
            QDialogButtonBox* buttons = dialog.findChild<QDialogButtonBox*>();
            dialog.rateBox()->setCurrentText("49");
            QVERIFY(!buttons->button(QDialogButtonBox::Ok)->isEnabled());
            dialog.rateBox()->setCurrentText("3000000");
            QVERIFY(buttons->button(QDialogButtonBox::Ok)->isEnabled());
        });
        window_->lineControls().baudItem()->trigger();
        QCOMPARE(window_->controls().baudRatePU.titleOfSelectedItem(), std::string("3000000"));
    }

    void theFormatDialogOffersTheParitiesTheSystemHas()
    {
        answerDialog<CharacterFormatDialog>(this, [](CharacterFormatDialog& dialog) {
            QCOMPARE(dialog.parityBox()->count(), SerialController::hasMarkSpaceParity() ? 5 : 3);
            dialog.dataBitsBox()->setCurrentText("5");
            dialog.parityBox()->setCurrentIndex(dialog.parityBox()->count() - 1);
            dialog.stopBitsBox()->setCurrentText("2");
        });
        window_->lineControls().formatItem()->trigger();
        QCOMPARE(window_->controls().packetPU.titleOfSelectedItem(),
                 std::string(SerialController::hasMarkSpaceParity() ? "space-5-2" : "odd-5-2"));
    }

private:
    // The port's lines from now on are the wire's, read once.
    LineControls& fake()
    {
        window_->document().serialController().setModemLinesFactory(FakeModemLines::factory(wire_));
        window_->document().lines().poll();
        return window_->lineControls();
    }

    TempDir dev_;
    TempDir sys_;
    Pty pty_;
    DeviceList devices_{{dev_.path(), sys_.path(), sys_.path() + "/by-id"}};
    std::unique_ptr<QtTimerDriver> timers_;
    std::unique_ptr<MyDocumentWindow> window_;
    std::shared_ptr<FakeModemLines::Wire> wire_ = std::make_shared<FakeModemLines::Wire>();
};

QTEST_MAIN(LineControlsTest)
#include "LineControlsTest.moc"
