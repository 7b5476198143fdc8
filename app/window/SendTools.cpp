#include "app/window/SendTools.h"

#include "app/send/userDataFolder.h"
#include "app/terminal/MyDocument.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/send/MacroBar.h"
#include "app/window/send/MacroDialog.h"
#include "app/window/send/TransferProgressWidget.h"
#include "toolkit/qt/TextEditorWidget.h"

#include <QActionGroup>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int recentShown = 20;

// How a message reads in a menu: printable ASCII as it is, every other byte as \N, cut short.
QString menuText(const std::string& message)
{
    QString text;
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        text += byte >= 0x20 && byte < 0x7F && byte != '&' ? QString(QChar(byte))
                : byte == '&'                              ? QStringLiteral("&&")
                                                           : QStringLiteral("\\%1").arg(byte);
        if (text.size() > 60)
            return text + QStringLiteral("…");
    }
    return text;
}

// History keys that no editor binding takes: Ctrl+Up/Down moves nothing in the editor here,
// but where the platform binds it (macOS: Mission Control) Alt+Ctrl is used instead.
QKeySequence historyKey(Qt::Key key)
{
#ifdef __APPLE__
    return QKeySequence(Qt::META | Qt::ALT | key);
#else
    return QKeySequence(Qt::CTRL | key);
#endif
}

} // namespace

SendTools::SendTools(MyDocumentWindow& window)
    : QObject(&window), window_(&window), document_(window.document()), editor_(window.sendEditor())
{
    document_.sender().keepIn(userDataFolder());
    buildMenu(window.portMenu());
    buildRow();
    connect(progress_, &TransferProgressWidget::cancelClicked, this, [this] { document_.sender().stop(); });
    // F1-F12 are seen before any shortcut, and only where a macro answers them.
    qApp->installEventFilter(this);
    window.whenStateChanges([this] { show(); });
    // The document may outlive the tools while the window goes.
    document_.sender().whenCounted([tools = QPointer<SendTools>(this)] {
        if (tools)
            tools->showCount();
    });
    show();
}

void SendTools::buildMenu(QMenu* port)
{
    Sender& sender = document_.sender();
    port->addSeparator();
    QMenu* endings = port->addMenu(tr("Line &Ending"));
    auto* group = new QActionGroup(this);
    const std::pair<LineEnding, const char*> names[] = {{LineEnding::None, QT_TR_NOOP("&None")},
                                                        {LineEnding::Lf, QT_TR_NOOP("&LF")},
                                                        {LineEnding::Cr, QT_TR_NOOP("&CR")},
                                                        {LineEnding::CrLf, QT_TR_NOOP("CR L&F")}};
    for (const auto& [ending, name] : names) {
        QAction* item = endings->addAction(tr(name), this, [this, ending] {
            document_.userActed();
            document_.sender().setLineEnding(ending);
        });
        item->setCheckable(true);
        group->addAction(item);
        endings_.push_back(item);
    }
    QMenu* recent = port->addMenu(tr("Recent &Messages"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { showRecent(recent); });
    previous_ = port->addAction(tr("Previous Message"), historyKey(Qt::Key_Up), this, [this] {
        if (!document_.sender().recall(true))
            document_.tellUser("No older message in the history.");
    });
    next_ = port->addAction(tr("Next Message"), historyKey(Qt::Key_Down), this, [this] {
        if (!document_.sender().recall(false))
            document_.tellUser("No newer message in the history.");
    });
    // Only in the editor: the receive view keeps its own keys.
    for (QAction* item : {previous_, next_}) {
        item->setShortcutContext(Qt::WidgetShortcut);
        editor_->addAction(item);
    }
    port->addAction(tr("&Forget History"), this, [&sender] { sender.forgetHistory(); });
    port->addSeparator();
    port->addAction(tr("Edit Macros…"), this, [this] { editMacros(); });
    port->addAction(tr("Re&peat…"), this, [this] { askRepeat(); });
    port->addAction(tr("Pa&cing…"), this, [this] { askPacing(); });
    QMenu* sendFile = port->addMenu(tr("Send &File"));
    sendFile->addAction(tr("&As It Is…"), this, [this] { this->sendFile(""); });
    QMenu* receive = port->addMenu(tr("Recei&ve File"));
    for (const ModemProtocol protocol : {ModemProtocol::Xmodem, ModemProtocol::Ymodem, ModemProtocol::Zmodem}) {
        for (const bool sending : {true, false}) {
            QMenu* menu = sending ? sendFile : receive;
            const QString name = QString::fromLatin1(protocolName(protocol).data()) + QStringLiteral("…");
            QAction* item = menu->addAction(name, this, [this, protocol, sending] { transfer(protocol, sending, ""); });
            if (findLrzsz(protocol, sending).empty()) {
                item->setText(tr("%1 (needs lrzsz)").arg(name));
                item->setToolTip(QString::fromStdString(lrzszMissingStatus(protocol)));
            }
        }
    }
    sendFile->setToolTipsVisible(true);
    receive->setToolTipsVisible(true);
    stopItem_ = port->addAction(tr("S&top Sending"), this, [&sender] { sender.stop(); });
}

void SendTools::buildRow()
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    bar_ = new MacroBar;
    connect(bar_, &MacroBar::macroClicked, this, [this](int index) {
        document_.userActed();
        document_.sender().sendMacro(static_cast<std::size_t>(index));
    });
    connect(bar_, &MacroBar::editRequested, this, [this] { editMacros(); });
    layout->addWidget(bar_, 1);
    // Beside the macros, where the status bar's news stays readable while a file goes.
    progress_ = new TransferProgressWidget;
    progress_->hide();
    layout->addWidget(progress_, 2);
    repeat_ = new QLabel;
    repeat_->setTextFormat(Qt::PlainText);
    repeat_->setAccessibleName(tr("Repeat"));
    // It changes a few times a second while repeating: filling its own background spares
    // repainting the window behind it each time.
    repeat_->setAutoFillBackground(true);
    layout->addWidget(repeat_);
    stopRepeat_ = new QPushButton(tr("Stop"));
    stopRepeat_->setAccessibleName(tr("Stop repeating"));
    connect(stopRepeat_, &QPushButton::clicked, this, [this] { document_.sender().stop(); });
    layout->addWidget(stopRepeat_);
    ending_ = new QLabel;
    ending_->setTextFormat(Qt::PlainText);
    ending_->setAccessibleName(tr("Line ending"));
    layout->addWidget(ending_);
    // Under the editor's own row of buttons, in the transmit pane.
    if (auto* pane = qobject_cast<QVBoxLayout*>(editor_->parentWidget()->layout()))
        pane->addWidget(row);
}

void SendTools::showRecent(QMenu* menu)
{
    menu->clear();
    const std::vector<std::string> messages = document_.sender().history().recent(recentShown);
    if (messages.empty())
        menu->addAction(tr("No messages sent yet"))->setEnabled(false);
    for (const std::string& message : messages)
        menu->addAction(menuText(message), this, [this, message] {
            document_.sender().showInEditor(message);
            editor_->setFocus();
        });
}

void SendTools::editMacros()
{
    Sender& sender = document_.sender();
    std::optional<std::vector<Macro>> macros =
        MacroDialog::ask(sender.macros().macros(), document_.getViewType(), document_.getTextEncoding(), window_);
    if (macros)
        sender.replaceMacros(std::move(*macros));
}

void SendTools::askRepeat()
{
    bool ok = false;
    const int interval =
        QInputDialog::getInt(window_, tr("Repeat"), tr("Send the editor's message every (milliseconds):"), 1000, 10,
                             24 * 3600 * 1000, 10, &ok);
    if (ok)
        startRepeat(interval);
}

void SendTools::startRepeat(int milliseconds)
{
    document_.userActed();
    document_.sender().startRepeat(std::chrono::milliseconds(milliseconds));
}

void SendTools::askPacing()
{
    QDialog dialog(window_);
    dialog.setWindowTitle(tr("Pacing"));
    auto* form = new QFormLayout(&dialog);
    const Pacing now = document_.sender().pacing();
    const auto field = [&](int value) {
        auto* box = new QSpinBox;
        box->setRange(0, 10000);
        box->setSuffix(tr(" ms"));
        box->setValue(value);
        return box;
    };
    QSpinBox* character = field(static_cast<int>(now.afterCharacter.count()));
    QSpinBox* line = field(static_cast<int>(now.afterLine.count()));
    form->addRow(tr("Delay after each &character:"), character);
    form->addRow(tr("Delay after each &line ending:"), line);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() == QDialog::Accepted)
        document_.sender().setPacing(
            {std::chrono::milliseconds(character->value()), std::chrono::milliseconds(line->value())});
}

void SendTools::sendFile(const std::string& path)
{
    std::string chosen = path;
    if (chosen.empty())
        chosen = QFileDialog::getOpenFileName(window_, tr("Send File")).toStdString();
    if (chosen.empty())
        return;
    document_.userActed();
    document_.sender().sendFile(chosen);
}

void SendTools::transfer(ModemProtocol protocol, bool sending, const std::string& path)
{
    if (findLrzsz(protocol, sending).empty())
        return document_.tellUser(lrzszMissingStatus(protocol));
    const QString name = QString::fromLatin1(protocolName(protocol).data());
    ModemTransfer::Request request;
    request.protocol = protocol;
    request.sending = sending;
    std::string chosen = path;
    // XMODEM receives one file by name; YMODEM and ZMODEM a batch into a folder.
    const bool intoFolder = !sending && protocol != ModemProtocol::Xmodem;
    if (chosen.empty())
        chosen = (sending      ? QFileDialog::getOpenFileName(window_, tr("Send File with %1").arg(name))
                  : intoFolder ? QFileDialog::getExistingDirectory(window_, tr("Receive with %1 into").arg(name))
                               : QFileDialog::getSaveFileName(window_, tr("Receive with %1 as").arg(name)))
                     .toStdString();
    if (chosen.empty())
        return;
    if (intoFolder)
        request.folder = chosen;
    else
        request.files = {chosen};
    document_.userActed();
    document_.sender().startTransfer(std::move(request));
}

bool SendTools::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    if (!widget || widget->window() != window_ || key->key() < Qt::Key_F1 || key->key() > Qt::Key_F12 ||
        (key->modifiers() & ~Qt::KeypadModifier))
        return false;
    const auto index = static_cast<std::size_t>(key->key() - Qt::Key_F1);
    // A key with no macro keeps whatever else it does (F5 looks for devices again).
    if (index >= document_.sender().macros().macros().size())
        return false;
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        document_.userActed();
        document_.sender().sendMacro(index);
    }
    return true;
}

void SendTools::show()
{
    Sender& sender = document_.sender();
    const LineEnding ending = sender.lineEnding();
    for (std::size_t i = 0; i < endings_.size(); ++i)
        endings_[i]->setChecked(static_cast<int>(ending) == static_cast<int>(i));
    ending_->setText(tr("Ending: %1").arg(QString::fromLatin1(lineEndingName(ending).data())));
    if (sender.macros().macros() != shownMacros_) {
        shownMacros_ = sender.macros().macros();
        bar_->showMacros(shownMacros_);
    }
    const bool repeating = sender.isRepeating();
    repeat_->setVisible(repeating);
    stopRepeat_->setVisible(repeating);
    showCount();
    const bool moving = sender.isTransferring();
    progress_->setVisible(moving);
    if (moving) {
        progress_->setTitle(QString::fromStdString(sender.transferTitle()));
        progress_->showProgress(sender.transferProgress());
    }
    stopItem_->setEnabled(moving || repeating || sender.isDraining());
}

void SendTools::showCount()
{
    const Sender& sender = document_.sender();
    if (!sender.isRepeating())
        return;
    const QString text = tr("Repeating every %1 ms: %2 sent")
                             .arg(sender.repeatInterval().count())
                             .arg(static_cast<qulonglong>(sender.repeatCount()));
    // A label of fixed size takes new text without laying out the window again; its size
    // changes only when the count gains a digit, measured with the widest digits.
    if (text.size() != repeat_->text().size()) {
        QString widest = text;
        for (QChar& c : widest)
            if (c.isDigit())
                c = u'8';
        const QFontMetrics metrics(repeat_->font());
        repeat_->setFixedSize(metrics.horizontalAdvance(widest) + 2 * repeat_->margin() + 2,
                              repeat_->sizeHint().height());
    }
    repeat_->setText(text);
}
