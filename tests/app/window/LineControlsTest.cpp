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
        DeviceList::sharedDeviceList() = DeviceList({dev_.path(), sys_.path()});
        timers_ = std::make_unique<QtTimerDriver>();
    }

    void init()
    {
        window_ = std::make_unique<MyDocumentWindow>();
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

    void linesFollowTheItemsAndTheIndicatorsFollowTheLinesWhileShown()
    {
        const auto wire = std::make_shared<FakeModemLines::Wire>();
        window_->document().serialController().setModemLinesFactory(FakeModemLines::factory(wire));
        LineControls& lines = window_->lineControls();
        window_->document().pollModemLines();
        QVERIFY(lines.dtrItem()->isChecked() && lines.isPolling());
        // Drawing shows the lines as last read: a wedged port can't stall it.
        const int reads = wire->reads;
        lines.show();
        QCOMPARE(wire->reads, reads);
        lines.dtrItem()->trigger();
        QVERIFY(!(wire->asserted & ModemLines::Dtr) && !lines.dtrItem()->isChecked());

        wire->asserted |= ModemLines::Dsr;
        QTRY_COMPARE_WITH_TIMEOUT(lines.indicators()[1]->toolTip(), QStringLiteral("Data Set Ready (DSR) is asserted"), 1000);
        window_->showMinimized();
        QTRY_VERIFY_WITH_TIMEOUT(!lines.isPolling(), 1000);
        window_->showNormal();
        QTRY_VERIFY_WITH_TIMEOUT(lines.isPolling(), 1000);
        window_->hide();
        QVERIFY(!lines.isPolling());
    }

    void theDialogsSetAnyRateAndFormatAndThePopUpsShowThem()
    {
        LineControls& lines = window_->lineControls();
        answerDialog<BaudRateDialog>(this, [](BaudRateDialog& dialog) {
            QDialogButtonBox* buttons = dialog.findChild<QDialogButtonBox*>();
            dialog.rateBox()->setCurrentText("49");
            QVERIFY(!buttons->button(QDialogButtonBox::Ok)->isEnabled());
            dialog.rateBox()->setCurrentText("3000000");
            QVERIFY(buttons->button(QDialogButtonBox::Ok)->isEnabled());
        });
        lines.baudItem()->trigger();
        // The extra pop-up entry and the title are the line control test's.
        QCOMPARE(window_->controls().baudRatePU.titleOfSelectedItem(), std::string("3000000"));

        answerDialog<CharacterFormatDialog>(this, [](CharacterFormatDialog& dialog) {
            QCOMPARE(dialog.parityBox()->count(), SerialController::hasMarkSpaceParity() ? 5 : 3);
            dialog.dataBitsBox()->setCurrentText("5");
            dialog.parityBox()->setCurrentIndex(dialog.parityBox()->count() - 1);
            dialog.stopBitsBox()->setCurrentText("2");
        });
        lines.formatItem()->trigger();
        QCOMPARE(window_->controls().packetPU.titleOfSelectedItem(),
                 std::string(SerialController::hasMarkSpaceParity() ? "space-5-2" : "odd-5-2"));
    }

private:
    TempDir dev_;
    TempDir sys_;
    Pty pty_;
    std::unique_ptr<QtTimerDriver> timers_;
    std::unique_ptr<MyDocumentWindow> window_;
};

QTEST_MAIN(LineControlsTest)
#include "LineControlsTest.moc"
