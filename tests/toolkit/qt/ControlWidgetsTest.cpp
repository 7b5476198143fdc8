#include "toolkit/RunLoop.h"
#include "toolkit/qt/PopUpButtonWidget.h"
#include "toolkit/qt/QtTimerDriver.h"
#include "toolkit/qt/SegmentedControlWidget.h"
#include "toolkit/qt/TextFieldWidget.h"

#include <QAbstractButton>
#include <QtTest>

class ControlWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void popUpFollowsItsModelAndOnlyAChoiceSends()
    {
        auto model = std::make_shared<PopUpButton>();
        QStringList sent;
        model->setAction([&](Control&) { sent << QString::fromStdString(model->titleOfSelectedItem()); });
        model->setPlaceholder("No serial device found");
        PopUpButtonWidget combo(model);
        QCOMPARE(combo.currentIndex(), -1);
        QCOMPARE(combo.placeholderText(), QStringLiteral("No serial device found"));

        for (const char* title : {"300", "9600", "115200"})
            model->addItemWithTitle(title);
        model->selectItemAtIndex(1);
        QCOMPARE(combo.currentText(), QStringLiteral("9600"));
        QTest::keyClick(&combo, Qt::Key_Down);
        QCOMPARE(sent, QStringList{"115200"});

        model->removeAllItems();
        model->addItemWithTitle("cu.usbserial");
        QCOMPARE(combo.count(), 1);
        model->selectItemAtIndex(-1);
        QCOMPARE(combo.currentIndex(), -1);
        QCOMPARE(sent.size(), 1);
    }

    // A million "65," is three million characters: none may be cut, or a byte would go out wrong.
    void aFieldTakesALongPasteWhole()
    {
        auto model = std::make_shared<TextField>();
        TextFieldWidget field(model);
        QString list;
        for (int i = 0; i < 1'000'000; ++i)
            list += QStringLiteral("65,");
        field.insert(list);
        QCOMPARE(field.text().size(), list.size());
        QCOMPARE(model->stringValue().size(), static_cast<std::size_t>(list.size()));
        model->setStringValue(list.toStdString() + "66");
        QCOMPARE(field.text().size(), list.size() + 2);
    }

    void segmentsShowTheModelEvenWhenAnActionOverrulesAClick()
    {
        auto model = std::make_shared<SegmentedControl>();
        model->setLabels({"Off", "On"});
        SegmentedControlWidget toggle(model);
        QVERIFY(!toggle.segmentButton(0)->isChecked() && !toggle.segmentButton(1)->isChecked());

        int seen = -2;
        bool openFails = true;
        model->setAction([&](Control&) {
            seen = model->selectedSegment();
            if (openFails)
                model->setSelectedSegment(0);
        });
        QTest::mouseClick(toggle.segmentButton(1), Qt::LeftButton);
        QCOMPARE(seen, 1);
        QVERIFY(toggle.segmentButton(0)->isChecked() && !toggle.segmentButton(1)->isChecked());

        openFails = false;
        seen = -2;
        QTest::mouseClick(toggle.segmentButton(0), Qt::LeftButton);
        QCOMPARE(seen, 0);
        QVERIFY(toggle.segmentButton(0)->isChecked());
    }

    void timersRunOnTheEventLoopUntilInvalidated()
    {
        int early = 0;
        int late = 0;
        int dropped = 0;
        auto before = Timer::timerWithTimeInterval(0.01, [&](Timer&) { ++early; }, true);
        RunLoop::currentRunLoop().addTimer(before);
        {
            QtTimerDriver driver;
            auto after = Timer::timerWithTimeInterval(0.01, [&](Timer&) { ++late; }, true);
            auto gone = Timer::timerWithTimeInterval(0.01, [&](Timer&) { ++dropped; }, true);
            RunLoop::currentRunLoop().addTimer(after);
            RunLoop::currentRunLoop().addTimer(gone);
            gone.reset();
            QTRY_VERIFY(early >= 3 && late >= 3);

            after->invalidate();
            const int frozen = late;
            const int ticked = early;
            QTRY_VERIFY(early >= ticked + 3);
            QCOMPARE(late, frozen);
            QCOMPARE(dropped, 0);
        }
        before->invalidate();
    }
};

QTEST_MAIN(ControlWidgetsTest)
#include "ControlWidgetsTest.moc"
