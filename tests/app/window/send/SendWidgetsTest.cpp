// The sending widgets as a user drives them, by mouse and keyboard.
#include "app/text/ViewType.h"
#include "app/window/send/MacroBar.h"
#include "app/window/send/MacroDialog.h"
#include "app/window/send/TransferProgressWidget.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class SendWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void theBarSaysWhichMacroWasClicked()
    {
        MacroBar bar;
        bar.showMacros({{"reset", "ATZ\r"}, {"id", "ATI\r"}});
        QSignalSpy clicked(&bar, &MacroBar::macroClicked);
        QTest::mouseClick(bar.button(1), Qt::LeftButton);
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.front().front().toInt(), 1);
        QCOMPARE(bar.button(0)->toolTip(), QString("Send reset (F1)"));
        bar.showMacros({{"only", "x"}});
        QVERIFY(bar.button(1) == nullptr);
    }

    void theDialogEditsReordersAndRemovesByKeyboard()
    {
        MacroDialog dialog({{"reset", "ATZ\r"}, {"id", "ATI\r\n"}}, ViewTypeMixed, TextEncodingLatin1);
        QCOMPARE(dialog.messageField()->text(), QString("ATZ\\13"));
        dialog.list()->setCurrentRow(1);
        dialog.messageField()->selectAll();
        QTest::keyClicks(dialog.messageField(), "AT+CSQ\\0x0D");
        QTest::mouseClick(dialog.upButton(), Qt::LeftButton);
        QCOMPARE(dialog.macros().front(), (Macro{"id", "AT+CSQ\r"}));
        QCOMPARE(dialog.list()->currentRow(), 0);

        QTest::sendKeyEvent(QTest::Click, dialog.messageField(), Qt::Key_unknown, QString::fromUtf8("\u20AC"),
                            Qt::NoModifier);
        QVERIFY(!dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());
        QTest::keyClick(dialog.messageField(), Qt::Key_Backspace);
        QVERIFY(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled());

        QTest::mouseClick(dialog.removeButton(), Qt::LeftButton);
        QCOMPARE(dialog.macros().size(), std::size_t(1));
        QCOMPARE(dialog.macros().front().name, std::string("reset"));
    }

    void progressShowsTheBarTheWordsAndCancel()
    {
        TransferProgressWidget widget;
        TransferProgress progress;
        progress.done = 500000;
        progress.total = 2000000;
        progress.bytesPerSecond = 100000;
        progress.left = std::chrono::seconds(15);
        widget.showProgress(progress);
        QCOMPARE(widget.bar()->value(), 250);
        QCOMPARE(widget.text()->text(), QString("500.0 kB of 2.0 MB, 100.0 kB/s, 15 s left"));
        progress.total.reset();
        widget.showProgress(progress);
        QCOMPARE(widget.bar()->maximum(), 0);
        QSignalSpy cancelled(&widget, &TransferProgressWidget::cancelClicked);
        QTest::mouseClick(widget.cancelButton(), Qt::LeftButton);
        QCOMPARE(cancelled.size(), 1);
    }
};

QTEST_MAIN(SendWidgetsTest)
#include "SendWidgetsTest.moc"
