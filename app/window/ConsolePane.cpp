#include "app/window/ConsolePane.h"

#include "app/window/MyDocumentWindow.h"
#include "app/window/console/ConsoleView.h"

#include "app/terminal/MyDocument.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSet>
#include <QSplitter>

namespace {

// A terminal's usual first size, until the view's own is known.
constexpr int startRows = 24;
constexpr int startCols = 80;

// What a local echo shows for bytes sent: any line end as a new line.
std::string echoed(const std::string& bytes)
{
    std::string shown;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            shown += "\r\n";
        } else {
            shown += bytes[i];
        }
    }
    return shown;
}

} // namespace

ConsolePane::ConsolePane(MyDocumentWindow& window)
    : QObject(&window), window_(window), emulator_(std::make_unique<ConsoleEmulator>(startRows, startCols)),
      keys_(std::make_unique<ConsoleKeys>(*emulator_))
{
    receivePane_ = window.receiveView()->parentWidget();
    view_ = new ConsoleView(*emulator_, *keys_, [this](const std::string& bytes) { send(bytes); });
    view_->hide();
    window.readingArea()->insertWidget(window.readingArea()->indexOf(receivePane_) + 1, view_);
    view_->whenResized([this](int rows, int cols) {
        if (on_)
            window_.document().tellUser(tr("Console: %1 columns, %2 rows").arg(cols).arg(rows).toStdString());
    });

    QMenu* view = window.viewMenu();
    view->addSeparator();
    mode_ = view->addAction(tr("&Console Mode"), QKeySequence(Qt::CTRL | Qt::Key_5), this, [this] { setOn(!on_); });
    mode_->setCheckable(true);
    buildKeysMenu(window.portMenu());
    window.whenStateChanges([this] { followWindow(); });
    followWindow();
}

ConsoleView* ConsolePane::view() const
{
    return view_;
}

ConsolePane::~ConsolePane()
{
    delete view_.data();
}

void ConsolePane::buildKeysMenu(QMenu* port)
{
    port->addSeparator();
    QMenu* menu = port->addMenu(tr("Console &Keys"));
    const auto choices = [this, menu](auto current,
                                      std::initializer_list<std::pair<const char*, decltype(current)>> items,
                                      auto choose) {
        auto* group = new QActionGroup(menu);
        for (const auto& [name, value] : items) {
            QAction* item = menu->addAction(tr(name), this, [choose, value = value] { choose(value); });
            item->setCheckable(true);
            item->setChecked(value == current);
            group->addAction(item);
        }
        menu->addSeparator();
    };
    using Enter = ConsoleKeys::Enter;
    using Backspace = ConsoleKeys::Backspace;
    choices(keys_->enter(),
            {{QT_TR_NOOP("Enter Sends C&R"), Enter::CR},
             {QT_TR_NOOP("Enter Sends &LF"), Enter::LF},
             {QT_TR_NOOP("Enter Sends CR L&F"), Enter::CRLF}},
            [this](Enter enter) { keys_->setEnter(enter); });
    choices(keys_->backspace(),
            {{QT_TR_NOOP("Backspace Sends &DEL"), Backspace::DEL}, {QT_TR_NOOP("Backspace Sends &BS"), Backspace::BS}},
            [this](Backspace backspace) { keys_->setBackspace(backspace); });
    QAction* echo = menu->addAction(tr("Local &Echo"), this, [this](bool on) { echo_ = on; });
    echo->setCheckable(true);
    echo->setChecked(echo_);
}

void ConsolePane::setOn(bool on)
{
    mode_->setChecked(on);
    if (on == on_)
        return;
    on_ = on;
    MyDocument& document = window_.document();
    document.userActed();
    if (on) {
        emulator_->setEncoding(document.getTextEncoding());
        document.stream().add(*this);
        receivePane_->hide();
        view_->show();
        view_->setFocus();
    } else {
        document.stream().remove(*this);
        view_->hide();
        receivePane_->show();
        window_.receiveView()->setFocus();
    }
    moveShortcuts(on);
    showTitle();
}

void ConsolePane::received(std::string_view bytes, const Moment&)
{
    emulator_->feed(bytes);
    if (emulator_->hasOutput())
        window_.document().sendRaw(emulator_->takeOutput());
    view_->changed();
    if (emulator_->title() != shownTitle_)
        showTitle();
}

void ConsolePane::send(const std::string& bytes)
{
    window_.document().sendRaw(bytes);
    if (echo_) {
        emulator_->feed(echoed(bytes));
        view_->changed();
    }
}

void ConsolePane::followWindow()
{
    emulator_->setEncoding(window_.document().getTextEncoding());
    baseTitle_ = window_.windowTitle();
    shownTitle_.clear();
    showTitle();
}

void ConsolePane::showTitle()
{
    const std::string& title = on_ ? emulator_->title() : std::string();
    if (title == shownTitle_)
        return;
    shownTitle_ = title;
    window_.setWindowTitle(title.empty() ? baseTitle_
                                         : baseTitle_ + QStringLiteral(" \u2014 ") + QString::fromStdString(title));
}

void ConsolePane::moveShortcuts(bool toShift)
{
#ifdef Q_OS_MACOS
    (void)toShift; // Command is the program's and Control the device's: nothing clashes
#else
    if (!toShift) {
        for (auto it = movedShortcuts_.begin(); it != movedShortcuts_.end(); ++it)
            it.key()->setShortcuts(it.value());
        movedShortcuts_.clear();
        return;
    }
    const QList<QAction*> actions = window_.findChildren<QAction*>();
    QSet<QKeySequence> taken;
    for (QAction* action : actions)
        for (const QKeySequence& keys : action->shortcuts())
            taken.insert(keys);
    for (QAction* action : actions) {
        const QList<QKeySequence> before = action->shortcuts();
        QList<QKeySequence> after;
        for (const QKeySequence& keys : before) {
            const QKeyCombination key = keys[0];
            const bool ctrlLetter = keys.count() == 1 && key.keyboardModifiers() == Qt::ControlModifier &&
                                    key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z;
            if (!ctrlLetter) {
                after << keys;
                continue;
            }
            const QKeySequence moved(Qt::CTRL | Qt::SHIFT | key.key());
            if (!taken.contains(moved)) // else the key is another item's: this one goes without
                after << moved;
        }
        if (after != before) {
            movedShortcuts_.insert(action, before);
            action->setShortcuts(after);
        }
    }
#endif
}
