// The text views as assistive technology reads them, through the interfaces Qt hands it.
#include "toolkit/qt/TextAnnouncer.h"
#include "toolkit/qt/TextEditorWidget.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QAccessible>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

struct Told {
    QAccessible::Event type;
    int position;
    QString text;
};
void keep(std::vector<Told>* told, QAccessibleEvent* event)
{
    if (event->type() == QAccessible::TextInserted) {
        const auto* insert = static_cast<QAccessibleTextInsertEvent*>(event);
        told->push_back({event->type(), insert->changePosition(), insert->textInserted()});
    } else if (event->type() == QAccessible::TextRemoved) {
        const auto* remove = static_cast<QAccessibleTextRemoveEvent*>(event);
        told->push_back({event->type(), remove->changePosition(), remove->textRemoved()});
    } else if (event->type() == QAccessible::TextUpdated) {
        const auto* update = static_cast<QAccessibleTextUpdateEvent*>(event);
        told->push_back(
            {event->type(), update->changePosition(), update->textRemoved() + "|" + update->textInserted()});
    } else if (event->type() == QAccessible::TextCaretMoved) {
        told->push_back({event->type(), static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition(), {}});
    }
}

// A view, or an editor, beside a field to take the focus away, shown in an active window.
template <typename W>
struct Shown {
    explicit Shown(bool editable)
    {
        model->setEditable(editable);
        view = new W(model);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(view);
        layout->addWidget(other);
        view->setFixedSize(200, 120);
        window.show();
        window.activateWindow();
        view->setFocus();
    }
    QAccessibleTextInterface* text() const { return QAccessible::queryAccessibleInterface(view)->textInterface(); }

    std::shared_ptr<TextView> model = std::make_shared<TextView>();
    QWidget window;
    W* view = nullptr;
    QLineEdit* other = new QLineEdit;
};

} // namespace

class TextAccessibleTest : public QObject {
    Q_OBJECT

private slots:
    void aViewReadsAsATerminalByTheLinesItShows()
    {
        Shown<TextViewWidget> shown(false);
        QVERIFY(QTest::qWaitForWindowActive(&shown.window));
        const std::u16string text = u"first\n" + std::u16string(60, u'x') + u"\nlast";
        shown.model->setAttributedString(AttributedText(text));
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(shown.view);
        QCOMPARE(accessible->role(), QAccessible::Terminal);
        QVERIFY(accessible->state().readOnly && !accessible->editableTextInterface());
        QAccessibleTextInterface* reader = shown.text();
        QCOMPARE(reader->text(0, reader->characterCount()), QString::fromStdU16String(text));

        // The long line wraps: its pieces are lines, each with its break.
        const MonoTextLayout& layout = shown.view->textLayout();
        QVERIFY(layout.lineCount() > 3);
        int start = 0, end = 0;
        QCOMPARE(reader->textAtOffset(8, QAccessible::LineBoundary, &start, &end),
                 QString(static_cast<qsizetype>(layout.line(1).next - 6), QLatin1Char('x')));
        QCOMPARE(start, 6);
        QCOMPARE(reader->textBeforeOffset(8, QAccessible::LineBoundary, &start, &end), QStringLiteral("first\n"));
        QCOMPARE(reader->textAfterOffset(static_cast<int>(text.size()), QAccessible::LineBoundary, &start, &end),
                 QString());
        QCOMPARE(start, -1);

        // Where a character shows is where a pointer finds it.
        const QRect cell = reader->characterRect(3);
        QCOMPARE(reader->offsetAtPoint(cell.center() - QPoint(cell.width() / 4, 0)), 3);

        reader->setSelection(0, 2, 5);
        QCOMPARE(shown.view->selectedText(), QStringLiteral("rst"));
        QVERIFY(shown.model->isHeld());
        QCOMPARE(reader->selectionCount(), 1);
        reader->removeSelection(0);
        QCOMPARE(reader->selectionCount(), 0);
    }

    // New text is told a few times a second, the newest lines of it, and never once the user left.
    void newTextIsToldAFewTimesASecondWhileTheUserIsInTheView()
    {
        Shown<TextViewWidget> shown(false);
        QVERIFY(QTest::qWaitForWindowActive(&shown.window));
        QStringList heard;
        shown.view->accessibleEvents().announcer().setSink([&](const QString& text) { heard << text; });
        std::u16string text;
        QElapsedTimer elapsed;
        elapsed.start();
        for (int i = 0; elapsed.elapsed() < 1000; ++i) {
            text += u"line " + QString::number(i).toStdU16String() + u"\n";
            shown.model->rollAttributedString(AttributedText(text), text.size() - 7);
            QTest::qWait(20);
        }
        QTest::qWait(TextAnnouncer::interval + 100);
        QVERIFY2(heard.size() >= 2 && heard.size() <= 4, qPrintable(QString::number(heard.size())));
        QVERIFY(heard.last().endsWith(QString::fromStdU16String(text.substr(text.rfind(u"line ")))));
        QCOMPARE(heard.last().count('\n'), 3);

        shown.other->setFocus();
        heard.clear();
        shown.model->setAttributedString(AttributedText(text + u"unheard\n"));
        QTest::qWait(TextAnnouncer::interval + 100);
        QCOMPARE(heard.size(), 0);
    }

    // An editor tells each edit as the text it removed and inserted, and the caret after it;
    // assistive technology edits through the model, as the keyboard does.
    void anEditorTellsItsEditsAndTakesThemThroughItsModel()
    {
        Shown<TextEditorWidget> shown(true);
        QVERIFY(QTest::qWaitForWindowActive(&shown.window));
        std::vector<Told> events;
        shown.view->accessibleEvents().setSink([&](QAccessibleEvent& event) { keep(&events, &event); });
        QTest::keyClicks(shown.view, "ab");
        QTest::keyClick(shown.view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(shown.view, "c");
        QTest::keyClick(shown.view, Qt::Key_Backspace);
        std::vector<Told> edits;
        for (const Told& event : events)
            if (event.type != QAccessible::TextCaretMoved)
                edits.push_back(event);
        QCOMPARE(edits.size(), std::size_t{4});
        QCOMPARE(edits[0].text + edits[1].text, QStringLiteral("ab"));
        QVERIFY(edits[2].type == QAccessible::TextUpdated && edits[2].position == 0 && edits[2].text == "ab|c");
        QVERIFY(edits[3].type == QAccessible::TextRemoved && edits[3].text == "c");
        QVERIFY(events.back().type == QAccessible::TextCaretMoved && events.back().position == 0);

        QAccessibleEditableTextInterface* editor =
            QAccessible::queryAccessibleInterface(shown.view)->editableTextInterface();
        QVERIFY(editor);
        editor->insertText(0, QStringLiteral("xz"));
        editor->insertText(1, QStringLiteral("y"));
        editor->deleteText(0, 1);
        QCOMPARE(shown.model->string(), u"yz");
        QCOMPARE(shown.text()->cursorPosition(), 0);
    }
};

QTEST_MAIN(TextAccessibleTest)
#include "TextAccessibleTest.moc"
