// A window's received history as a person meets it: what a device sends while the pane is
// closed shows with arrival stamps once it opens, the window's menus choose the gutter and
// find from anywhere, the pane follows the window's view mode, and a save writes all of it.
#include "app/window/HistoryPane.h"
#include "app/history/HistoryStore.h"
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "app/text/ViewType.h"
#include "app/window/EditMenu.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/TerminalApplication.h"
#include "app/window/history/HistoryFindBar.h"
#include "app/window/history/HistoryLinesView.h"
#include "app/window/history/HistoryView.h"
#include "devices/DeviceList.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/QtTimerDriver.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QtTest>

#include <chrono>
#include <fstream>
#include <map>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

class HistoryPaneTest : public QObject {
    Q_OBJECT

    Pty pty;
    TempDir dev, sys;
    DeviceList devices{{dev.path(), sys.path(), sys.path() + "/by-id"}};
    QtTimerDriver timers;
    TerminalApplication terminals{devices};
    QPointer<MyDocumentWindow> window;
    HistoryPane* pane = nullptr;

    const HistoryStore& store() { return pane->history().store(); }
    // Waits for the history to hold count complete lines, the port's marker included.
    bool linesCame(std::uint64_t count)
    {
        return QTest::qWaitFor([&] { return store().completeEnd() - store().firstLine() >= count; }, 10000);
    }
    QString findSummary() { return pane->view()->findBar().summary(); }

private slots:
    void initTestCase() { dev.link("cu.a", pty.slavePath()); }
    void init()
    {
        window = terminals.newWindow();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        pane = window->findChild<HistoryPane*>();
        QVERIFY(pane);
        window->controls().readToggle.userSelectSegment(1);
    }
    void cleanup() { delete window.data(); }

    // Written a known time apart while the pane is closed: the stamps are the port's, not the
    // window's tick's, and the lines are all there when it opens. The Timestamps menu chooses
    // the gutter.
    void linesThatCameWhileClosedShowWithTheirArrivalStampsInTheGutterChosen()
    {
        pty.writeMaster("boot ok\r\n");
        QVERIFY(linesCame(2));
        std::this_thread::sleep_for(30ms);
        pty.writeMaster("second\r\n");
        QVERIFY(linesCame(3));
        QVERIFY(!pane->isShown());

        const std::uint64_t first = store().firstLine();
        QVERIFY(store().line(first).marker);
        QVERIFY2(std::string(store().line(first).text).starts_with("Port cu.a opened"),
                 std::string(store().line(first).text).c_str());
        const auto apart = store().line(first + 2).at.steady - store().line(first + 1).at.steady;
        QVERIFY2(apart >= 28ms && apart < 60ms, QByteArray::number(static_cast<qlonglong>(apart / 1ms)));

        pane->showItem()->trigger();
        QVERIFY(pane->isShown());
        QTRY_VERIFY(pane->view()->lines().visibleText().contains(QStringLiteral(" boot ok\n")));
        const QStringList rows = pane->view()->lines().visibleText().split('\n');
        QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} second$").match(rows.value(2)).hasMatch(),
                 qPrintable(rows.value(2)));
        QMenu* stamps = nullptr;
        for (QAction* item : window->viewMenu()->actions())
            if (item->menu() && item->text() == QStringLiteral("Time&stamps"))
                stamps = item->menu();
        QVERIFY(stamps);
        // The second line came at least 28 ms after the first, and the port opened before both.
        const std::vector<std::pair<QString, QString>> rowPattern = {
            {"Time Since &Previous Line", "^ +\\+(\\d+\\.\\d{3}) second$"},
            {"Time Since Port &Opened", "^ +(\\d+\\.\\d{3}) second$"},
            {"&None", "^second$"},
        };
        double sincePrevious = 0;
        for (const auto& [name, pattern] : rowPattern) {
            for (QAction* item : stamps->actions())
                if (item->text() == name)
                    item->trigger();
            pane->view()->refresh();
            const QString row = pane->view()->lines().visibleText().split('\n').value(2);
            const QRegularExpressionMatch match = QRegularExpression(pattern).match(row);
            QVERIFY2(match.hasMatch(), qPrintable(name + ": " + row));
            if (name.contains("Previous"))
                sincePrevious = match.captured(1).toDouble();
            else if (name.contains("Opened"))
                QVERIFY(match.captured(1).toDouble() >= sincePrevious);
        }
        QVERIFY(sincePrevious >= 0.028);
        QCOMPARE(pane->view()->lines().gutterMode(), GutterMode::None);
    }


    // A line that keeps coming across many of the window's ticks is one line: the idle gap is
    // counted from the last byte that arrived, not from the last read.
    void aLineStillArrivingIsNotCutAtTheTicks()
    {
        for (int i = 0; i < 25; ++i) {
            pty.writeMaster("x");
            QTest::qWait(20);
        }
        pty.writeMaster("\n");
        QVERIFY(linesCame(2));
        QTest::qWait(150);
        QCOMPARE(store().endLine() - store().firstLine(), std::uint64_t{2});
        QCOMPARE(std::string(store().line(store().firstLine() + 1).bytes), std::string(25, 'x') + "\n");
    }

    // From the receive view, as from the pane: Ctrl+F opens the pane's find bar, F3 and
    // Shift+F3 step round the matches, and a match that arrives is counted.
    void findWorksFromAnywhereInTheWindow()
    {
        pty.writeMaster("error: one\nfine\nerror: two\nERROR: three\n");
        QVERIFY(linesCame(5));
        window->receiveView()->setFocus();
        QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(pane->isShown());
        QLineEdit* field = pane->view()->findBar().patternField();
        QTRY_VERIFY(field->hasFocus());
        QTest::keyClicks(field, "error");
        // Opened at the end, find looks back from there; next wraps round to the first.
        QTRY_COMPARE(findSummary(), QStringLiteral("3 of 3"));
        window->receiveView()->setFocus();
        QTest::keyClick(window, Qt::Key_F3);
        QCOMPARE(findSummary(), QStringLiteral("1 of 3"));
        QTest::keyClick(window, Qt::Key_F3);
        QTest::keyClick(window, Qt::Key_F3);
        QCOMPARE(findSummary(), QStringLiteral("3 of 3"));
        QTest::keyClick(window, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(findSummary(), QStringLiteral("2 of 3"));

        pty.writeMaster("late error\n");
        QTRY_COMPARE_WITH_TIMEOUT(findSummary(), QStringLiteral("2 of 4"), 10000);
    }

    // Shown as the window shows bytes: what find looks through changes with the view mode.
    void thePaneFollowsTheWindowsViewMode()
    {
        pty.writeMaster("AB\r\n");
        QVERIFY(linesCame(2));
        pane->find();
        QTest::keyClicks(pane->view()->findBar().patternField(), "\\13\\10");
        QTRY_COMPARE(findSummary(), QStringLiteral("No matches"));
        window->controls().viewFilter.userSelectSegment(ViewTypeMixed);
        QTRY_COMPARE(pane->view()->lines().viewType(), static_cast<int>(ViewTypeMixed));
        QTRY_COMPARE(findSummary(), QStringLiteral("1 of 1"));
    }

    void saveWritesTheWholeHistory_data()
    {
        QTest::addColumn<bool>("raw");
        QTest::newRow("text") << false;
        QTest::newRow("raw") << true;
    }

    void saveWritesTheWholeHistory()
    {
        QFETCH(bool, raw);
        std::string sent;
        for (int i = 0; i < 300; ++i)
            sent += "line " + std::to_string(i) + (raw ? " \x01\xff\r\n" : " ok\r\n");
        pty.writeMaster(sent);
        QVERIFY(linesCame(301));
        const std::string path = dev.path() + "/history.out";
        pane->save(QString::fromStdString(path), raw ? HistorySaver::Format::Raw : HistorySaver::Format::Text);
        QTRY_VERIFY(window->document().statusText().starts_with("Received history saved to history.out: "));
        std::ifstream in(path, std::ios::binary);
        const std::string saved((std::istreambuf_iterator<char>(in)), {});
        QCOMPARE(window->document().statusText(),
                 "Received history saved to history.out: " + std::to_string(saved.size()) + " bytes.");
        if (raw) {
            QVERIFY(saved == sent);
            return;
        }
        QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} --- Port \\S*cu\\.a opened")
                     .match(QString::fromStdString(saved))
                     .hasMatch(),
                 saved.substr(0, 80).c_str());
        QVERIFY2(saved.ends_with(" line 299 ok\r\n"), saved.substr(saved.size() - 40).c_str());
        QCOMPARE(std::count(saved.begin(), saved.end(), '\n'), 301);
    }

    // Edit > Select All and Copy act on the history while it has the focus.
    void theEditMenuActsOnTheHistory()
    {
        pty.writeMaster("alpha\nbeta\n");
        QVERIFY(linesCame(3));
        pane->setShown(true);
        pane->setGutterMode(GutterMode::None);
        QTRY_VERIFY(pane->view()->lines().hasFocus());
        EditMenu* edit = nullptr;
        for (QAction* menu : window->menuBar()->actions())
            if (auto* found = dynamic_cast<EditMenu*>(menu->menu()))
                edit = found;
        QVERIFY(edit);
        emit edit->aboutToShow();
        for (const auto command : {EditMenu::Command::SelectAll, EditMenu::Command::Copy}) {
            QVERIFY(edit->action(command)->isEnabled());
            edit->action(command)->trigger();
        }
        const QString copied = QGuiApplication::clipboard()->text();
        QVERIFY2(copied.endsWith(QStringLiteral("\nalpha\nbeta\n")), qPrintable(copied));
    }

    // A key two items share does nothing at all in Qt: each must have its own.
    void noTwoItemsShareAKey()
    {
        pane->setShown(true); // its widgets and their keys too
        std::map<QString, QString> owner;
        const auto claim = [&](const QKeySequence& key, const QString& name) {
            const auto [at, fresh] = owner.emplace(key.toString(), name);
            QVERIFY2(fresh, qPrintable(key.toString() + ": " + at->second + " and " + name));
        };
        for (QAction* item : window->findChildren<QAction*>())
            if (!item->associatedObjects().isEmpty())
                for (const QKeySequence& key : item->shortcuts())
                    claim(key, item->text());
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
            if (!button->shortcut().isEmpty())
                claim(button->shortcut(), button->text());
        QVERIFY(owner.contains(QStringLiteral("Ctrl+Shift+H")));
        QVERIFY(owner.contains(QStringLiteral("Ctrl+F")));
    }
};

QTEST_MAIN(HistoryPaneTest)
#include "HistoryPaneTest.moc"
