#include "toolkit/RunLoop.h"
#include "toolkit/qt/ButtonWidget.h"
#include "toolkit/qt/PopUpButtonWidget.h"
#include "toolkit/qt/QtTimerDriver.h"
#include "toolkit/qt/SegmentedControlWidget.h"
#include "toolkit/qt/TextFieldWidget.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QtTest>

class ControlWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void popUpFollowsModelWithoutSendingActions()
    {
        auto model = std::make_shared<PopUpButton>();
        int actions = 0;
        model->setAction([&](Control&) { ++actions; });
        model->setPlaceholder("No serial device found");
        PopUpButtonWidget combo(model);
        QCOMPARE(combo.currentIndex(), -1);
        QCOMPARE(combo.placeholderText(), QStringLiteral("No serial device found"));

        for (const char* title : {"300", "9600", "115200"})
            model->addItemWithTitle(title);
        model->selectItemAtIndex(1);
        QCOMPARE(combo.count(), 3);
        QCOMPARE(combo.currentText(), QStringLiteral("9600"));

        model->removeAllItems();
        model->addItemWithTitle("cu.usbserial");
        QCOMPARE(combo.count(), 1);
        QCOMPARE(combo.itemText(0), QStringLiteral("cu.usbserial"));
        model->selectItemAtIndex(-1);
        QCOMPARE(combo.currentIndex(), -1);
        QCOMPARE(actions, 0);
    }

    void popUpChoiceSelectsThenSends()
    {
        auto model = std::make_shared<PopUpButton>();
        for (const char* title : {"None", "Xon/Xoff", "Hardware"})
            model->addItemWithTitle(title);
        PopUpButtonWidget combo(model);
        QString seen;
        model->setAction([&](Control& sender) {
            seen = QString::fromStdString(static_cast<PopUpButton&>(sender).titleOfSelectedItem());
        });

        QTest::keyClick(&combo, Qt::Key_Down);

        QCOMPARE(seen, QStringLiteral("Xon/Xoff"));
        QCOMPARE(model->indexOfSelectedItem(), 1);
    }

    void segmentsShowTheModelEvenWhenAnActionOverrulesAClick()
    {
        auto model = std::make_shared<SegmentedControl>();
        model->setLabels({"Off", "On"});
        SegmentedControlWidget toggle(model);
        QVERIFY(!toggle.segmentButton(0)->isChecked());
        QVERIFY(!toggle.segmentButton(1)->isChecked());

        int seen = -2;
        bool openFails = true;
        model->setAction([&](Control&) {
            seen = model->selectedSegment();
            if (openFails)
                model->setSelectedSegment(0);
        });
        QTest::mouseClick(toggle.segmentButton(1), Qt::LeftButton);
        QCOMPARE(seen, 1);
        QVERIFY(toggle.segmentButton(0)->isChecked());
        QVERIFY(!toggle.segmentButton(1)->isChecked());

        // Clicking the segment already on keeps it on and still sends.
        openFails = false;
        seen = -2;
        QTest::mouseClick(toggle.segmentButton(0), Qt::LeftButton);
        QCOMPARE(seen, 0);
        QVERIFY(toggle.segmentButton(0)->isChecked());

        model->setLabels({"Text", "Mixed", "Dec", "Hex"});
        model->setSelectedSegment(3);
        QVERIFY(toggle.segmentButton(3)->isChecked());
        QCOMPARE(toggle.segmentButton(2)->text(), QStringLiteral("Dec"));
    }

    void textFieldCarriesTypingWithoutAction()
    {
        auto model = std::make_shared<TextField>();
        int actions = 0;
        model->setAction([&](Control&) { ++actions; });
        TextFieldWidget field(model);

        QTest::keyClicks(&field, "65, 66");
        QCOMPARE(model->stringValue(), std::string("65, 66"));
        QCOMPARE(actions, 0);

        model->setStringValue("");
        QCOMPARE(field.text(), QString());
    }

    void tooltipsAreTheModelsTextExactlyAndWidgetsAreFoundByClass()
    {
        auto button = std::make_shared<Button>();
        auto field = std::make_shared<TextField>();
        auto toggle = std::make_shared<SegmentedControl>();
        auto popUp = std::make_shared<PopUpButton>();
        QWidget window;
        auto& buttonWidget = *new ButtonWidget(button, &window);
        auto& fieldWidget = *new TextFieldWidget(field, &window);
        auto& toggleWidget = *new SegmentedControlWidget(toggle, &window);
        auto& popUpWidget = *new PopUpButtonWidget(popUp, &window);
        // A window finds its bound widgets by class, so each must be its own meta-class.
        QCOMPARE(window.findChildren<SegmentedControlWidget*>(), QList<SegmentedControlWidget*>{&toggleWidget});
        QCOMPARE(window.findChildren<ButtonWidget*>(), QList<ButtonWidget*>{&buttonWidget});

        button->setToolTip("Add a non-printable value   \u2318\u21E7\u21B5");
        field->setToolTip("Insert a non-printable value");
        toggle->setToolTip("Read");
        popUp->setToolTip("Device");

        QCOMPARE(buttonWidget.toolTip(), QString::fromUtf16(u"Add a non-printable value   \u2318\u21E7\u21B5"));
        QCOMPARE(fieldWidget.toolTip(), QStringLiteral("Insert a non-printable value"));
        QCOMPARE(toggleWidget.toolTip(), QStringLiteral("Read"));
        QCOMPARE(popUpWidget.toolTip(), QStringLiteral("Device"));
    }

    void buttonSendsOnClickAndOnItsShortcut()
    {
        QWidget window;
        auto model = std::make_shared<Button>();
        model->setTitle("Send");
        model->setKeyEquivalent("Ctrl+Return");
        int actions = 0;
        model->setAction([&](Control&) { ++actions; });
        auto* button = new ButtonWidget(model, &window);
        auto* other = new QLineEdit(&window);
        auto* row = new QHBoxLayout(&window);
        row->addWidget(button);
        row->addWidget(other);
        QCOMPARE(button->text(), QStringLiteral("Send"));
        QCOMPARE(button->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Return));

        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(actions, 1);

        other->setFocus();
        QTest::keyClick(other, Qt::Key_Return, Qt::ControlModifier);
        QTRY_COMPARE(actions, 2);
        QVERIFY(other->hasFocus());
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
            QTest::qWait(50);
            QCOMPARE(late, frozen);
            QCOMPARE(dropped, 0);
        }
        // Without a driver nothing fires by itself.
        const int frozen = early;
        QTest::qWait(50);
        QCOMPARE(early, frozen);
        before->invalidate();
    }
};

QTEST_MAIN(ControlWidgetsTest)
#include "ControlWidgetsTest.moc"
