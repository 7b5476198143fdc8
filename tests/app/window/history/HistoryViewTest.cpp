#include "app/history/ReceivedHistory.h"
#include "app/text/ViewType.h"
#include "toolkit/qt/TextAnnouncer.h"
#include "app/window/history/HistoryFindBar.h"
#include "app/window/history/HistoryLinesView.h"
#include "app/window/history/HistoryView.h"
#include "tests/support/ManualClock.h"

#include <QAccessible>
#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

using namespace std::chrono_literals;

// A boot log of count lines, every seventh an error.
void feedBootLog(ReceivedHistory& history, ManualClock& clock, int count, int from = 0)
{
    for (int i = from; i < from + count; ++i) {
        clock.advance(3ms);
        const std::string line = i % 7 == 3 ? "[" + std::to_string(i) + "] error: probe failed\r\n"
                                            : "[" + std::to_string(i) + "] usb 1-1: new device\r\n";
        history.received(line, clock.now());
    }
}

int pixelsOf(const QImage& image, QColor color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y) == color;
    return count;
}

} // namespace

class HistoryViewTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        clock = std::make_unique<ManualClock>();
        history = std::make_unique<ReceivedHistory>();
        view = std::make_unique<HistoryView>(*history);
        view->resize(700, 300);
        view->show();
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        view->lines().setFocus();
    }
    void cleanup() { view.reset(); } // before the history it shows

    void followsTheEndAndHoldsStillWhileTheUserReads()
    {
        feedBootLog(*history, *clock, 500);
        view->refresh();
        HistoryLinesView& lines = view->lines();
        QScrollBar* bar = lines.verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());
        bar->setValue(100);
        QVERIFY(!lines.isFollowing());
        feedBootLog(*history, *clock, 50, 500);
        view->refresh();
        QCOMPARE(lines.topLine(), std::uint64_t{100});
        QTest::keyClick(&lines, Qt::Key_End);
        feedBootLog(*history, *clock, 50, 550);
        view->refresh();
        QCOMPARE(bar->value(), bar->maximum());
        QTest::keyClick(&lines, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(bar->value(), 0);
    }

    void whatTheHistoryDropsLeavesTheLineTheUserReadsInPlaceAndANoticeOnTop()
    {
        ReceivedHistory small({std::size_t{1} << 20});
        HistoryView pane(small);
        pane.resize(700, 300);
        pane.show();
        feedBootLog(small, *clock, 20000);
        pane.refresh();
        pane.lines().verticalScrollBar()->setValue(15000);
        feedBootLog(small, *clock, 20000, 20000);
        pane.refresh();
        QVERIFY2(small.store().firstLine() > 0 && small.store().firstLine() < 15000,
                 qPrintable(QString::number(small.store().firstLine())));
        QCOMPARE(pane.lines().topLine(), std::uint64_t{15000});
        QTest::keyClick(&pane.lines(), Qt::Key_Home, Qt::ControlModifier);
        const QString top = pane.lines().visibleText().section('\n', 0, 0);
        QVERIFY2(top.trimmed().startsWith("--- history starts at"), qPrintable(top));
    }

    void findStepsThroughTheMatchesItHighlightsAndEscapeCloses()
    {
        feedBootLog(*history, *clock, 21);
        view->refresh();
        QTest::keyClick(&view->lines(), Qt::Key_F, Qt::ControlModifier);
        HistoryFindBar& bar = view->findBar();
        QVERIFY(bar.isVisible());
        QVERIFY(bar.patternField()->hasFocus());
        QTest::keyClicks(bar.patternField(), "ERROR");
        QTRY_VERIFY(!view->finder().hasWork());
        // Found back from the end, where the view was.
        QCOMPARE(bar.summary(), QString("3 of 3"));
        QTest::keyClick(bar.patternField(), Qt::Key_F3);
        QCOMPARE(bar.summary(), QString("1 of 3"));
        QTest::keyClick(bar.patternField(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(bar.summary(), QString("3 of 3"));
        QCOMPARE(view->finder().current()->line, std::uint64_t{17});
        // Every match is highlighted, the current one distinctly.
        const QImage shown = view->lines().viewport()->grab().toImage();
        QVERIFY(pixelsOf(shown, QColor(255, 150, 50)) > 0);
        QVERIFY(pixelsOf(shown, QColor(255, 233, 128)) > 0);
        QTest::keyClick(bar.patternField(), Qt::Key_Escape);
        QVERIFY(!bar.isVisible());
        QVERIFY(!view->finder().active());
    }

    void anInvalidRegularExpressionIsToldInTheBar()
    {
        feedBootLog(*history, *clock, 5);
        view->openFind();
        HistoryFindBar& bar = view->findBar();
        for (QToolButton* button : bar.findChildren<QToolButton*>())
            if (button->accessibleName() == "Regular expression")
                button->click();
        QTest::keyClicks(bar.patternField(), "probe (");
        QVERIFY2(bar.summary().contains("missing closing parenthesis"), qPrintable(bar.summary()));
    }

    void copyGivesTheSelectedLinesWithTheirStamps()
    {
        history->received("first\nsecond\nthird\n", clock->now());
        view->refresh();
        view->setGutterMode(GutterMode::SincePrevious);
        HistoryLinesView& lines = view->lines();
        QTest::mouseClick(lines.viewport(), Qt::LeftButton, {}, lines.rowRect(1).center());
        QTest::mouseClick(lines.viewport(), Qt::LeftButton, Qt::ShiftModifier, lines.rowRect(2).center());
        QTest::keyClick(&lines, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("    +0.000 second\n    +0.000 third\n"));
    }

    void assistiveTechnologyReadsTheRowsInViewAndHearsNewLinesAFewTimesASecond()
    {
        feedBootLog(*history, *clock, 3);
        view->refresh();
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view->lines());
        QVERIFY(accessible && accessible->textInterface());
        const QString text = accessible->textInterface()->text(0, accessible->textInterface()->characterCount());
        QCOMPARE(text, view->lines().visibleText());
        QVERIFY(text.contains("[1] usb 1-1: new device"));

        int textInserts = 0;
        view->lines().announcer().setSink([&](const QString&) { ++textInserts; });
        QElapsedTimer elapsed;
        elapsed.start();
        for (int i = 0; elapsed.elapsed() < 1000; ++i) {
            feedBootLog(*history, *clock, 1, 3 + i);
            view->refresh();
            QTest::qWait(20);
        }
        QTest::qWait(600);
        const int focused = textInserts;
        view->findBar().show();
        view->findBar().patternField()->setFocus();
        textInserts = 0;
        feedBootLog(*history, *clock, 5, 1000);
        view->refresh();
        QTest::qWait(600);
        QVERIFY2(focused >= 2 && focused <= 4, qPrintable(QString::number(focused)));
        QCOMPARE(textInserts, 0);
    }

private:
    std::unique_ptr<ManualClock> clock;
    std::unique_ptr<ReceivedHistory> history;
    std::unique_ptr<HistoryView> view;
};

QTEST_MAIN(HistoryViewTest)
#include "HistoryViewTest.moc"
