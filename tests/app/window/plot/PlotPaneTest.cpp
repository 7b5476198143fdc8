#include "app/window/plot/PlotPane.h"
#include "app/stream/ReceivedStream.h"
#include "app/terminal/MyDocument.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/PlotAttachment.h"
#include "app/window/plot/PlotView.h"
#include "devices/DeviceList.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QFile>
#include <QMenu>
#include <QSpinBox>
#include <QSplitter>
#include <QtTest>

#include <memory>
#include <string>

// The plot pane on a stream of its own, as a user drives it.
class PlotPaneTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        told.clear();
        stream = std::make_unique<ReceivedStream>();
        pane = std::make_unique<PlotPane>(*stream, [this](const std::string& text) { told = text; });
        pane->resize(700, 320);
    }
    void cleanup() { pane.reset(); } // before the stream it hears

    void linesInTheStreamBecomeSamplesAndTheSummarySaysWhatIsShown()
    {
        QCOMPARE(pane->summary(), QStringLiteral("No numbers yet."));
        stream->deliver("temp:21 hum:40\ntemp:2", Moment{});
        stream->deliver("2.5 hum:38\n", Moment{});
        QCOMPARE(pane->model().endKept(), 2u);
        QCOMPARE(pane->summary(), QStringLiteral("2 series, samples 0 to 1. temp: last 22.5, lowest 21, highest 22.5. "
                                                 "hum: last 38, lowest 38, highest 40."));
        pane->model().setShown(1, false);
        pane->pauseAction()->trigger();
        QCOMPARE(pane->pauseAction()->text(), QStringLiteral("Resume"));
        QVERIFY(pane->summary().endsWith(
            QStringLiteral(", paused. temp: last 22.5, lowest 21, highest 22.5. hum: hidden.")));
    }

    // The chart wakes for new samples only, not while the stream is quiet, redraws at most a
    // frame at a time, and not at all while hidden.
    void theChartRedrawsForNewSamplesOnlyAtMostAFrameAtATimeAndNotWhileHidden()
    {
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
        stream->deliver("1 2\n", Moment{});
        QVERIFY(pane->view().frameDue());
        QTRY_VERIFY(!pane->view().frameDue());
        const int painted = pane->view().paintCount();
        QTest::qWait(150);
        QCOMPARE(pane->view().paintCount(), painted);
        QVERIFY(!pane->view().frameDue());
        stream->deliver("no numbers here\n", Moment{});
        QVERIFY(!pane->view().frameDue());
        stream->deliver("3 4\n", Moment{});
        QVERIFY(pane->view().frameDue());
        QTRY_VERIFY(pane->view().paintCount() > painted);
        // A fast stream is drawn at most a frame at a time.
        QTest::qWait(100);
        const int before = pane->view().paintCount();
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; clock.elapsed() < 330; ++i) {
            stream->deliver(std::to_string(i) + "\n", Moment{});
            QTest::qWait(1);
        }
        const int drawn = pane->view().paintCount() - before;
        QVERIFY2(drawn >= 1 && drawn <= 11, qPrintable(QString::number(drawn)));
        pane->hide();
        const int hidden = pane->view().paintCount();
        stream->deliver("1\n2\n", Moment{});
        QTest::qWait(150);
        QCOMPARE(pane->view().paintCount(), hidden);
    }


    void aClickOnTheLegendOrTheSeriesMenuHidesAndShowsASeries()
    {
        stream->deliver("a:1 b:2\na:2 b:1\n", Moment{});
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
        QTRY_VERIFY(pane->view().geometry().legend.size() == 2);
        const QPoint b = pane->view().geometry().legend[1].center().toPoint();
        QTest::mouseClick(&pane->view(), Qt::LeftButton, {}, b);
        QVERIFY(!pane->model().series(1).shown);
        QVERIFY(pane->view().accessibleDescription().endsWith(QStringLiteral("b: hidden.")));
        QTest::mouseClick(&pane->view(), Qt::LeftButton, {}, b);
        QVERIFY(pane->model().series(1).shown);
        emit pane->seriesMenu()->aboutToShow();
        const QList<QAction*> items = pane->seriesMenu()->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0]->text(), QStringLiteral("a"));
        items[0]->trigger();
        QVERIFY(!pane->model().series(0).shown);
        QVERIFY(pane->view().accessibleDescription().contains(QStringLiteral("a: hidden.")));
    }

    void aFixedRangeStartsFromTheShownOneAndHoldsAsValuesGrow()
    {
        stream->deliver("0\n10\n", Moment{});
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane.get()));
        QTRY_COMPARE(pane->view().geometry().end, 2u);
        const double low = pane->view().geometry().low, high = pane->view().geometry().high;
        QVERIFY(low < 0 && high > 10);
        pane->autoRangeAction()->trigger();
        QVERIFY(pane->lowBox()->isEnabled());
        QCOMPARE(pane->lowBox()->value(), std::round(low * 1000) / 1000);
        pane->highBox()->setValue(50);
        stream->deliver("1000\n", Moment{});
        QTRY_COMPARE(pane->view().geometry().end, 3u);
        QCOMPARE(pane->view().geometry().high, 50.0);
        pane->autoRangeAction()->trigger();
        QTRY_VERIFY(pane->view().geometry().high > 1000);
    }

    void theSamplesBoxSetsTheWindow()
    {
        pane->samplesBox()->setValue(20);
        std::string lines;
        for (int i = 0; i < 100; ++i)
            lines += std::to_string(i) + "\n";
        stream->deliver(lines, Moment{});
        QCOMPARE(pane->model().firstKept(), 80u);
    }

    void exportWritesTheKeptSamplesAndThePictureAndSaysSo()
    {
        TempDir files;
        stream->deliver("x,y\n1,2\n3,\n", Moment{});
        const QString csv = QString::fromStdString(files.path()) + "/p.csv";
        QVERIFY(pane->exportCsv(csv));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("x,y\n1,2\n3,\n"));
        QCOMPARE(told, "Saved 2 samples to " + csv.toStdString());
        const QString png = QString::fromStdString(files.path()) + "/p.png";
        QVERIFY(pane->exportPng(png));
        QCOMPARE(QImage(png).size(), pane->view().size() * pane->view().devicePixelRatio());
        QVERIFY(!pane->exportCsv(QString::fromStdString(files.path()) + "/missing/p.csv"));
        QVERIFY(told.starts_with("Could not save "));
    }

    // View > Plot in a whole window: its key opens the pane under the received text, fed by the
    // window's stream; closing it, or the window with it open, leaves nobody hearing a dead pane.
    void viewPlotOpensAndClosesThePaneInTheWindow()
    {
        LogCapture quiet;
        TempDir dev, sys;
        DeviceList devices({dev.path(), sys.path()});
        auto window = std::make_unique<MyDocumentWindow>(devices);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto* attachment = window->findChild<PlotAttachment*>();
        QVERIFY(attachment);
        QVERIFY(window->viewMenu()->actions().contains(attachment->item()));
        QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        QPointer<PlotPane> opened = attachment->pane();
        QVERIFY(opened);
        QCOMPARE(opened->parentWidget(), window->readingArea());
        window->document().stream().deliver("5\n", Moment{});
        QCOMPARE(opened->model().endKept(), 1u);
        attachment->item()->trigger();
        QVERIFY(!opened);
        window->document().stream().deliver("6\n", Moment{});
        attachment->item()->trigger();
        QVERIFY(attachment->pane());
        window.reset(); // with the pane open
    }

private:
    std::unique_ptr<ReceivedStream> stream;
    std::unique_ptr<PlotPane> pane;
    std::string told;
};

QTEST_MAIN(PlotPaneTest)
#include "PlotPaneTest.moc"
