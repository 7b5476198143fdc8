#include "toolkit/qt/MonoTextLayout.h"
#include "toolkit/qt/QuietScrollBar.h"
#include "toolkit/qt/TextEditorWidget.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QStyleHints>
#include <QtTest>

#include <chrono>
#include <functional>

namespace {

QImage onScreen(QWidget& widget)
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return widget.screen()->grabWindow(widget.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget* widget, int& count) : count_(count) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        count_ += event->type() == QEvent::Paint;
        return false;
    }

private:
    int& count_;
};

QImage paintedAfresh(TextViewWidget& view)
{
    view.viewport()->repaint();
    return onScreen(view);
}

template <typename W>
std::unique_ptr<W> shown(QSize size, bool editable = true, std::u16string_view text = {})
{
    auto model = std::make_shared<TextView>();
    model->setEditable(editable);
    model->setAttributedString(AttributedText(std::u16string(text)));
    auto widget = std::make_unique<W>(model);
    widget->resize(size);
    widget->show();
    widget->activateWindow();
    return QTest::qWaitForWindowActive(widget.get()) ? std::move(widget) : nullptr;
}

} // namespace

class TextWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void layoutBreaksOnEveryLineEndAndWrapsByCells()
    {
        // Every kind of break, CR LF as one, at every place among the units tested together;
        // NUL is no break and takes a cell.
        MonoTextLayout layout;
        const std::u16string_view breaks[] = {u"\r\n", u"\n", u"\r", u"\u2028", u"\u2029"};
        std::u16string text;
        std::vector<MonoTextLayout::Line> lines;
        for (std::size_t length = 1; length < 12; ++length) {
            const std::size_t start = text.size();
            text.append(length, length % 2 ? u'x' : u'\0');
            text += breaks[length % 5];
            lines.push_back(MonoTextLayout::Line{start, start + length, text.size()});
        }
        layout.layout(text, 80);
        QCOMPARE(layout.lineCount(), lines.size() + 1);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const MonoTextLayout::Line& line = layout.line(i);
            QVERIFY2(line.start == lines[i].start && line.end == lines[i].end && line.next == lines[i].next,
                     qPrintable(QString::number(i)));
        }
        QCOMPARE(layout.lineOf(lines[4].end + 1), std::size_t{4}); // between CR and LF: the end of its line
        QCOMPARE(layout.columnOf(lines[4].end + 1), 5);

        layout.layout(u"abcdefg\n", 3);
        QCOMPARE(layout.lineCount(), std::size_t{4}); // abc / def / g / (empty after LF)
        QCOMPARE(layout.lineOf(3), std::size_t{1});
        QCOMPARE(layout.positionAt(0, 99), std::size_t{2});
        QCOMPARE(layout.positionAt(2, 99), std::size_t{7});

        layout.layout(u"abc\n", 3); // a full line keeps its break: no empty wrapped line
        QCOMPARE(layout.lineCount(), std::size_t{2});

        // An escape run wraps only before a backslash, unless one escape outgrows the line;
        // plain text wraps anywhere, a plain "\10" included, and ends no line.
        const std::u16string escaped = u"ab\\13\\10\\0xA\\10\\10cdefg";
        MonoTextLayout::Escapes escapes{{TextRange{2, 13}}, {}};
        const auto wrapped = [&](int columns) {
            layout.layout(escaped, columns, escapes);
            std::vector<std::pair<std::size_t, std::size_t>> shown;
            for (std::size_t i = 0; i < layout.lineCount(); ++i)
                shown.emplace_back(layout.line(i).start, layout.line(i).end);
            return shown;
        };
        using Lines = std::vector<std::pair<std::size_t, std::size_t>>;
        QCOMPARE(wrapped(6), (Lines{{0, 5}, {5, 8}, {8, 12}, {12, 18}, {18, 23}}));
        QCOMPARE(wrapped(3), (Lines{{0, 2}, {2, 5}, {5, 8}, {8, 11}, {11, 12}, {12, 15}, {15, 18}, {18, 21}, {21, 23}}));
        escapes.endingLine = {u"\\10", u"\\0xA"}; // LF, decimal and hex
        QCOMPARE(wrapped(6), (Lines{{0, 5}, {5, 8}, {8, 12}, {12, 15}, {15, 21}, {21, 23}}));
        layout.layout(escaped.substr(0, 12), 80, MonoTextLayout::Escapes{{TextRange{2, 10}}, escapes.endingLine});
        QVERIFY(layout.lineCount() == 3 && layout.line(2).start == 12);
    }

    void receiveViewHoldsWhatTheUserReadsWhileTheBufferRolls()
    {
        const auto shownView = shown<TextViewWidget>(QSize(300, 120), false);
        QVERIFY(shownView);
        TextViewWidget& view = *shownView;
        TextView* model = &view.model();
        QScrollBar* bar = view.verticalScrollBar();

        // The document's tick: the buffer holds lines [from, to), each with a NUL, and asks for
        // its end to be shown. The lines still there from the last tick lead the new text.
        const auto line = [](int i) { return QString::asprintf("line %04d", i).toStdU16String() + std::u16string{0, u'\r', u'\n'}; };
        const std::size_t lineLength = line(0).size();
        int shownFrom = 0;
        int shownTo = 0;
        const auto tick = [&](int from, int to) {
            std::u16string text;
            for (int i = from; i < to; ++i)
                text += line(i);
            const int kept = std::max(0, shownTo - std::max(from, shownFrom));
            model->rollAttributedString(AttributedText(text, nullptr), static_cast<std::size_t>(kept) * lineLength);
            model->scrollRangeToVisible(TextRange{model->length(), 0});
            shownFrom = from;
            shownTo = to;
        };
        const auto topLine = [&] {
            const MonoTextLayout::Line& top = view.textLayout().line(static_cast<std::size_t>(view.firstVisibleLine()));
            return QString::fromStdU16String(model->string().substr(top.start, top.end - top.start));
        };
        // The scroll bar, painted less often while text arrives, catches up.
        tick(0, 8);
        QTest::qWait(QuietScrollBar::paintInterval);
        tick(0, 10);
        onScreen(view);
        tick(0, 12);
        QTest::qWait(QuietScrollBar::paintInterval + 100);
        const QImage settled = onScreen(view);
        bar->repaint();
        QCOMPARE(settled, onScreen(view));
        tick(0, 200);
        QCOMPARE(bar->value(), bar->maximum());

        // The wheel scrolls up: the view holds still while lines arrive and old ones drop off.
        QWheelEvent wheel(QPointF(50, 50), view.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 240),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view.viewport(), &wheel);
        QVERIFY(model->isHeld());
        const QString reading = topLine();
        tick(3, 206);
        QCOMPARE(topLine(), reading);
        QVERIFY(bar->value() < bar->maximum());

        // Two lines dragged over are selected and copied, NUL and all (how a selection rolls
        // with the text is the text view test's).
        const std::size_t second = view.textLayout().line(static_cast<std::size_t>(view.firstVisibleLine() + 1)).start;
        const QRect from = view.cellRect(second);
        const QPoint to = view.cellRect(second + 2 * lineLength - 2).topLeft() + QPoint(1, 2);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, from.topLeft() + QPoint(1, 2));
        QTest::mouseMove(view.viewport(), to);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, to);
        const QString selected = view.selectedText();
        QCOMPARE(selected.size(), qsizetype(2 * lineLength - 2));
        QVERIFY(selected.contains(QChar(0)));
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), selected);

        // Ctrl+End follows the end again, and so does End.
        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(!model->isHeld());
        QTest::keyClick(&view, Qt::Key_PageUp);
        QTest::keyClick(&view, Qt::Key_End);
        QVERIFY(!model->isHeld());
    }

    void partialRepaintsLeaveWhatAFullPaintShows()
    {
        const auto shownView = shown<TextViewWidget>(QSize(320, 170), false);
        QVERIFY(shownView);
        TextViewWidget& view = *shownView;
        TextView* model = &view.model();

        // Lines that wrap, escapes in gray, a character the font may lack, one outside the BMP.
        std::vector<std::u16string> lines;
        for (int i = 0; i < 60; ++i)
            lines.push_back(u"line " + QString::number(i).toStdU16String() + (i % 7 == 0 ? std::u16string(80, u'w') : u"")
                            + (i % 5 == 0 ? u"\u4e2d\U0001F600" : u""));
        std::size_t from = 0;
        std::size_t to = 30;
        const auto show = [&] {
            AttributedText text;
            for (std::size_t i = from; i < to; ++i) {
                text.append(lines[i]);
                text.append(u"\\13", i % 3 ? grayColor() : makeColor(200, 0, 0));
                text.append(u"\r\n");
            }
            model->setAttributedString(std::move(text));
            model->scrollRangeToVisible(TextRange{model->length(), 0});
        };
        QScrollBar* bar = view.verticalScrollBar();
        const std::pair<const char*, std::function<void()>> steps[] = {
            {"first text", show},
            {"three lines arrive", [&] { to += 3, show(); }},
            {"the buffer slides", [&] { ++from, ++to, show(); }},
            {"a selection across a line break", [&] { model->setSelectedRange(TextRange{model->length() - 40, 30}); }},
            {"the user scrolls up", [&] { bar->setValue(bar->value() - 3); }},
            {"a line changes while the user reads up there", [&] { lines[from + 20] = u"changed in place", show(); }},
            {"narrower, so lines wrap again", [&] { view.resize(250, 190); }},
        };
        for (const auto& [step, act] : steps) {
            act();
            QTest::qWait(RefreshPacer::interval + 50); // text that streamed in may be painted late
            const QImage incremental = onScreen(view);
            QVERIFY2(incremental == paintedAfresh(view), step);
            // Rows written straight into the backing store show what the view's own image does.
            TextViewWidget::setIntoBackingStore(false);
            const QImage plain = paintedAfresh(view);
            TextViewWidget::setIntoBackingStore(true);
            QVERIFY2(incremental == plain, step);
        }
    }

    // A stream that renews most of the screen at each tick is painted at every other tick; the
    // last screen always shows, and what the user does shows at once.
    void aStreamFasterThanTheEyeIsPaintedEveryOtherTick()
    {
        const auto shownView = shown<TextViewWidget>(QSize(320, 170), false);
        QVERIFY(shownView);
        TextViewWidget& view = *shownView;
        int paints = 0;
        PaintCounter counter(view.viewport(), paints);
        const auto tick = [&](int n) {
            std::u16string text;
            for (int i = 0; i < 40; ++i)
                text += QString::asprintf("tick %d line %d\n", n, i).toStdU16String();
            view.model().setAttributedString(AttributedText(text, nullptr));
            view.model().scrollRangeToVisible(TextRange{view.model().length(), 0});
            onScreen(view);
        };
        tick(0);
        const auto painted = [&](int n) {
            const int before = paints;
            tick(n);
            return paints > before;
        };
        QVERIFY(!painted(1));
        QVERIFY(painted(2));
        QVERIFY(!painted(3));
        int before = paints;
        QTRY_VERIFY(paints > before);
        QCOMPARE(onScreen(view), paintedAfresh(view));
        QVERIFY(painted(4));
        QVERIFY(!painted(5));
        before = paints;
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() - 1);
        onScreen(view);
        QVERIFY(paints > before);
    }

    // The caret, held steady so two grabs agree, moves by partial repaints that leave nothing
    // behind where it was.
    void caretMovesCleanly()
    {
        QStyleHints* hints = QGuiApplication::styleHints();
        const int flash = hints->cursorFlashTime();
        hints->setCursorFlashTime(0);
        const auto shownEditor = shown<TextEditorWidget>(QSize(200, 100), true, u"first\nsecond\nthird");
        QVERIFY(shownEditor);
        shownEditor->setFocus();
        QTest::keyClick(shownEditor.get(), Qt::Key_End, Qt::ControlModifier);
        onScreen(*shownEditor);
        QTest::mouseClick(shownEditor->viewport(), Qt::LeftButton, {}, shownEditor->cellRect(2).center());
        const QImage incremental = onScreen(*shownEditor);
        QCOMPARE(incremental, paintedAfresh(*shownEditor));
        hints->setCursorFlashTime(flash);
    }

    void editorTypesPastesAndComposesExactCodeUnitsWithEnterAsLineFeed()
    {
        const auto shownEditor = shown<TextEditorWidget>(QSize(200, 100));
        QVERIFY(shownEditor);
        TextEditorWidget& editor = *shownEditor;
        TextView* model = &editor.model();

        QTest::keyClicks(&editor, "ab");
        QTest::keyClick(&editor, Qt::Key_Return);
        QTest::keyClick(&editor, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(&editor, Qt::Key_Tab);
        QTest::keyClicks(&editor, "c");
        QCOMPARE(model->string(), std::u16string(u"ab\n\n\tc"));
        QVERIFY(editor.hasFocus());

        // Code puts in CR, LF, CR LF and NUL, as the insert buttons do; typing keeps them.
        const std::u16string inserted{u'x', u'\r', u'y', u'\n', u'z', u'\r', u'\n', 0};
        model->setAttributedString(AttributedText(inserted));
        model->setSelectedRange(TextRange{model->length(), 0});
        QTest::keyClicks(&editor, "w");
        QCOMPARE(model->string(), inserted + u"w");

        // The caret steps over CR LF as one break, and Backspace removes it whole.
        model->setSelectedRange(TextRange{7, 0}); // after "z\r\n"
        QTest::keyClick(&editor, Qt::Key_Left);
        QCOMPARE(editor.caretPosition(), std::size_t{5});
        QTest::keyClick(&editor, Qt::Key_Right);
        QTest::keyClick(&editor, Qt::Key_Backspace);
        QCOMPARE(model->string(), (std::u16string{u'x', u'\r', u'y', u'\n', u'z', 0, u'w'}));

        model->setAttributedString(AttributedText(u"[]"));
        model->setSelectedRange(TextRange{1, 0});
        QMimeData plain;
        plain.setText(QString::fromStdU16String(std::u16string{u'p', u'\r', u'\n', u'q', 0}));
        editor.insertFromMimeData(plain);
        QCOMPARE(model->string(), (std::u16string{u'[', u'p', u'\r', u'\n', u'q', 0, u']'}));
        QCOMPARE(model->textStorage().runs().size(), std::size_t{1});

        // Rich text from another program keeps its colour, which is never the escape gray.
        model->setAttributedString(AttributedText());
        QMimeData rich;
        rich.setHtml(QStringLiteral("<p>ok <span style=\"color:#808080\">\\13</span></p><p>end</p>"));
        editor.insertFromMimeData(rich);
        QCOMPARE(model->string(), std::u16string(u"ok \\13\nend"));
        const ColorRef& pasted = model->textStorage().attributeAtIndex(3);
        QVERIFY(pasted && pasted != grayColor() && pasted->red == 0x80);
        QCOMPARE(model->textStorage().attributeAtIndex(0), ColorRef());

        model->setSelectedRange(TextRange{0, 2});
        QInputMethodEvent compose(QString(), {});
        compose.setCommitString(QStringLiteral("\u00e9"));
        QCoreApplication::sendEvent(&editor, &compose);
        QCOMPARE(model->string(), std::u16string(u"\u00e9 \\13\nend"));
    }
};

QTEST_MAIN(TextWidgetsTest)
#include "TextWidgetsTest.moc"
