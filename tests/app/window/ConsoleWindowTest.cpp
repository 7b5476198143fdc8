// Console mode as a user meets it: a pty far end plays a device's shell (a prompt, the echo of
// keys, a clear, cursor moves, colours); the console shows its screen while the receive
// buffer still fills, and keys, answers and pastes reach the far end as a terminal sends them.
#include "app/console/ConsoleEmulator.h"
#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/console/ConsoleGlyphs.h"
#include "app/window/console/ConsoleView.h"
#include "devices/DeviceList.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/qt/QtTimerDriver.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QtTest>

#include <memory>

using namespace std::chrono_literals;

class ConsoleWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { dev_.link("cu.usb", pty_.slavePath()); }
    void init()
    {
        window_ = std::make_unique<MyDocumentWindow>(devices_);
        window_->controls().readToggle.userSelectSegment(1);
        window_->show();
        QVERIFY(window_->document().isReading());
        item("&Console Mode")->trigger();
        view_ = window_->findChild<ConsoleView*>();
        QVERIFY(view_ && view_->isVisible());
        QVERIFY(!window_->receiveView()->isVisible());
        QTRY_VERIFY(view_->hasFocus());
    }

    void cleanup()
    {
        window_.reset();
        pty_.readMaster(1 << 20, 50ms); // what the last window sent
    }

    void theConsoleDrawsTheShellsScreenAndTheReceiveBufferStillFills()
    {
        const ConsoleEmulator& screen = view_->emulator();
        pty_.writeMaster("old output\r\n\x1b[2J\x1b[H\x1b[1;32mboard\x1b[0m:~$ ");
        pty_.writeMaster("ls\r\n\x1b[31mred\x1b[0m\x1b[4;6Hthere\x1b]2;board shell\x07");
        QTRY_COMPARE(screen.rowText(3), std::string("     there"));
        QCOMPARE(screen.rowText(0), std::string("board:~$ ls"));
        QVERIFY(screen.cell(0, 0).has(ConsoleCell::Bold));
        QCOMPARE(screen.cell(1, 0).ch, U'r');
        QVERIFY(screen.cell(1, 0).fg != screen.blank().fg);
        QCOMPARE(screen.cursor().row, 3);
        QTRY_VERIFY(window_->windowTitle().endsWith(QStringLiteral("board shell")));
        // A screen reader reads the rows in view, the caret at the cursor.
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(view_);
        QVERIFY(face && face->textInterface());
        const QString shown = face->text(QAccessible::Value);
        QVERIFY(shown.startsWith(QStringLiteral("board:~$ ls\nred\n\n     there")));
        QCOMPARE(face->textInterface()->cursorPosition(), static_cast<int>(shown.indexOf(QStringLiteral("there")) + 5));
        QVERIFY(window_->windowTitle().startsWith(QStringLiteral("cu.usb")));
        const auto buffered = [this](std::u16string_view text) {
            return window_->controls().recieveTF.string().find(text) != std::u16string::npos;
        };
        QTRY_VERIFY(buffered(u"there"));
        QVERIFY(buffered(u"old output"));

        item("&Console Mode")->trigger();
        QVERIFY(window_->receiveView()->isVisible());
        QVERIFY(!view_->isVisible());
        QVERIFY(!window_->windowTitle().contains(QStringLiteral("board shell")));
    }

    void keysAndAnswersGoToTheDeviceAsTheyAreTyped()
    {
        QTest::keyClick(view_, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(pty_.readMaster(1, 2s), std::string("\x03"));
        QTest::keyClicks(view_, "ls");
        QTest::keyClick(view_, Qt::Key_Return);
        QCOMPARE(pty_.readMaster(3, 2s), std::string("ls\r"));
        QTest::keyClick(view_, Qt::Key_Up);
        QTest::keyClick(view_, Qt::Key_Tab);
        QTest::keyClick(view_, Qt::Key_X, Qt::AltModifier);
        QCOMPARE(pty_.readMaster(6, 2s), std::string("\x1b[A\t\x1bx"));
        // The device asks where the cursor is: the console answers.
        pty_.writeMaster("ab\x1b[6n");
        QTRY_COMPARE(view_->emulator().rowText(0), std::string("ab"));
        QCOMPARE(QByteArray::fromStdString(pty_.readMaster(6, 2s)), QByteArray("\x1b[1;3R"));
    }

    void theWindowsCtrlLetterKeysMoveToCtrlShiftWhileTheConsoleShows()
    {
        QAction* copy = item("&Copy");
        QAction* quit = nullptr;
        for (QAction* action : window_->findChildren<QAction*>())
            if (action->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W)))
                quit = action;
        QVERIFY(copy->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)));
        QVERIFY(!copy->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_C)));
        QVERIFY(item("Start &Reading") || item("Stop &Reading"));
        item("&Console Mode")->trigger();
        QVERIFY(copy->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_C)));
        QVERIFY(!quit || !quit->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W)));
    }

    void aPasteIsBracketedWhenTheDeviceAskedAndGoesInTheWindowsEncoding()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("caf\u00e9\nls"));
        pty_.writeMaster("\x1b[?2004h$ ");
        QTRY_COMPARE(view_->emulator().rowText(0), std::string("$"));
        QTest::keyClick(view_, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(pty_.readMaster(19, 2s), std::string("\x1b[200~caf\xe9\rls\x1b[201~"));
    }

    void scrollBackKeepsWhatLeftTheTopAndTheViewStaysWhereTheUserScrolled()
    {
        std::string lines;
        for (int i = 0; i < 200; ++i)
            lines += "line " + std::to_string(i) + "\r\n";
        pty_.writeMaster(lines);
        const ConsoleEmulator& screen = view_->emulator();
        QTRY_COMPARE(screen.scrollbackLines(), 201 - screen.rows());
        QTest::qWait(3 * ConsoleView::frameInterval); // the view has caught up
        QTest::keyClick(view_, Qt::Key_PageUp, Qt::ShiftModifier);
        QTRY_VERIFY(view_->scrolledBack() > 0);
        const int back = view_->scrolledBack();
        pty_.writeMaster("one more\r\ntwo more\r\n");
        QTRY_COMPARE(view_->scrolledBack(), back + 2);
        view_->selectAll();
        QVERIFY(view_->selectedText().startsWith(QStringLiteral("line 0\nline 1\n")));
        QTest::keyClicks(view_, "x");
        QCOMPARE(view_->scrolledBack(), 0);
    }

    void framesThatMoveTheRowsShowWhatAFullRepaintShows()
    {
        const ConsoleEmulator& screen = view_->emulator();
        for (int round = 0; round < 8; ++round) {
            // Coloured lines that scroll the screen, and a cursor left mid-line.
            std::string chunk;
            for (int i = 0; i < 3 + round; ++i)
                chunk += "\x1b[3" + std::to_string(1 + (round + i) % 7) + "mline " + std::to_string(round) + "." +
                         std::to_string(i) + "\x1b[0m tail\r\n";
            chunk += "prompt " + std::to_string(round) + "$ ";
            pty_.writeMaster(chunk);
            const std::string prompt = "prompt " + std::to_string(round) + "$";
            QTRY_COMPARE(screen.rowText(screen.cursor().row), prompt);
            QTest::qWait(3 * ConsoleView::frameInterval);
            const QImage framed = shownPixels();
            view_->repaint();
            QCOMPARE(framed, shownPixels());
        }
    }

    void glyphRunsPaintWhatDrawTextPaintsCellByCellAndLeaveWhatTheFontLacks()
    {
        QFont plain = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        plain.setStyleHint(QFont::TypeWriter);
        plain.setKerning(false);
        QFont bold = plain;
        bold.setBold(true);
        const int cell = std::max(1, QFontMetrics(plain).horizontalAdvance(QLatin1Char('M')));
        const int ascent = QFontMetrics(plain).ascent();
        ConsoleGlyphs glyphs;
        glyphs.setFonts(plain, bold, cell);
        const QString text = QStringLiteral("kernel: eth0 link up #42 {ok}");
        for (const bool heavy : {false, true}) {
            const auto canvas = [&] {
                QImage image(cell * (static_cast<int>(text.size()) + 2), 2 * ascent, QImage::Format_RGB32);
                image.fill(Qt::black);
                return image;
            };
            QImage placed = canvas(), drawn = canvas();
            {
                QPainter painter(&placed);
                QVERIFY(glyphs.draw(painter, QPoint(cell, ascent), text, heavy, Qt::green));
            }
            {
                QPainter painter(&drawn);
                painter.setFont(heavy ? bold : plain);
                painter.setPen(Qt::green);
                for (qsizetype i = 0; i < text.size(); ++i)
                    painter.drawText(cell * static_cast<int>(i + 1), ascent, text.mid(i, 1));
            }
            QCOMPARE(placed, drawn);
        }
        QImage scratch(64, 32, QImage::Format_RGB32);
        QPainter painter(&scratch);
        QVERIFY(!glyphs.draw(painter, QPoint(0, ascent), QString(QChar(0xE000)), false, Qt::green));
    }

private:
    // The cells' pixels as the window shows them, not as a paint would draw them now (the
    // scroll bar beside them repaints on its own schedule).
    QImage shownPixels() const
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        const QPoint at = view_->mapTo(window_.get(), QPoint(0, 0));
        const int cells = view_->width() - view_->findChild<QScrollBar*>()->width();
        return window_->screen()
            ->grabWindow(window_->winId(), at.x(), at.y(), cells, view_->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    QAction* item(const QString& text) const
    {
        for (QAction* action : window_->findChildren<QAction*>())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    LogCapture quiet_;
    QtTimerDriver timers_;
    TempDir dev_;
    TempDir sys_;
    Pty pty_;
    DeviceList devices_{{dev_.path(), sys_.path()}};
    std::unique_ptr<MyDocumentWindow> window_;
    ConsoleView* view_ = nullptr;
};

QTEST_MAIN(ConsoleWindowTest)
#include "ConsoleWindowTest.moc"
