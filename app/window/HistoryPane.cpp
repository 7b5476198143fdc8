#include "app/window/HistoryPane.h"

#include "app/window/CaptureDialog.h"
#include "app/window/EditMenu.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/history/HistoryView.h"

#include "app/terminal/MyDocument.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QSplitter>

#include <numeric>
#include <utility>

namespace {

const char* const textFilter = QT_TRANSLATE_NOOP("HistoryPane", "Timestamped text (*.txt *.log)");
const char* const rawFilter = QT_TRANSLATE_NOOP("HistoryPane", "Raw bytes as received (*.bin)");

// The platform's keys, and F3 and Shift+F3 on every platform.
QList<QKeySequence> keysWith(QKeySequence::StandardKey standard, const QKeySequence& everywhere)
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
    if (!keys.contains(everywhere))
        keys.prepend(everywhere);
    return keys;
}

} // namespace

HistoryPane::HistoryPane(MyDocumentWindow& window) : QObject(&window), window_(window)
{
    MyDocument& document = window.document();
    viewType_ = document.getViewType();
    encoding_ = document.getTextEncoding();
    document.stream().add(history_);
    buildMenus();
    saveCheck_.setInterval(saveCheckInterval);
    connect(&saveCheck_, &QTimer::timeout, this, &HistoryPane::checkSave);
    // The window tells of a new view mode as its toggle changes, before the document has taken
    // it: look again once the event that changed it is done.
    followLater_.setSingleShot(true);
    followLater_.setInterval(0);
    connect(&followLater_, &QTimer::timeout, this, &HistoryPane::followWindow);
    window.whenStateChanges([this] {
        followWindow();
        followLater_.start();
    });
}

HistoryPane::~HistoryPane()
{
    // The pane reads the history, which goes with this object.
    delete view_.data();
}

void HistoryPane::buildMenus()
{
    QMenu* view = window_.viewMenu();
    view->addSeparator();
    showItem_ = view->addAction(tr("Received &History"));
    showItem_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
    showItem_->setCheckable(true);
    connect(showItem_, &QAction::toggled, this, &HistoryPane::setShown);
    view->addMenu(buildTimestampsMenu(view));

    // Find is the window's, not only the pane's: from the receive view too it looks through
    // everything that came, which holds all the receive view shows.
    QMenu* edit = view;
    for (QAction* menu : window_.menuBar()->actions())
        if (auto* found = dynamic_cast<EditMenu*>(menu->menu()))
            edit = found;
    edit->addSeparator();
    find_ = edit->addAction(tr("&Find\u2026"), this, &HistoryPane::find);
    find_->setShortcuts(QKeySequence::Find);
    next_ = edit->addAction(tr("Find &Next"), this, [this] {
        setShown(true);
        view_->findNext();
    });
    next_->setShortcuts(keysWith(QKeySequence::FindNext, QKeySequence(Qt::Key_F3)));
    previous_ = edit->addAction(tr("Find Pre&vious"), this, [this] {
        setShown(true);
        view_->findPrevious();
    });
    previous_->setShortcuts(keysWith(QKeySequence::FindPrevious, QKeySequence(Qt::SHIFT | Qt::Key_F3)));

    // Beside the other saving of what came, before the window commands.
    QMenu* file = window_.fileMenu();
    saveItem_ = new QAction(tr("Save Received &History As\u2026"), this);
    connect(saveItem_, &QAction::triggered, this, &HistoryPane::askAndSave);
    QAction* before = nullptr;
    for (QAction* item : file->actions())
        if (item->isSeparator() && !before)
            before = item;
    file->insertAction(before, saveItem_);
}

QMenu* HistoryPane::buildTimestampsMenu(QMenu* parent)
{
    auto* menu = new QMenu(tr("Time&stamps"), parent);
    gutterItems_ = new QActionGroup(menu);
    const std::pair<GutterMode, const char*> modes[] = {
        {GutterMode::Clock, QT_TR_NOOP("Time of &Day (milliseconds)")},
        {GutterMode::SincePrevious, QT_TR_NOOP("Time Since &Previous Line")},
        {GutterMode::SincePortOpened, QT_TR_NOOP("Time Since Port &Opened")},
        {GutterMode::None, QT_TR_NOOP("&None")},
    };
    for (const auto& [mode, name] : modes) {
        QAction* item = menu->addAction(tr(name), this, [this, mode = mode] { setGutterMode(mode); });
        item->setCheckable(true);
        item->setData(static_cast<int>(mode));
        gutterItems_->addAction(item);
    }
    // The pane's own context menu may have chosen another since.
    const auto showMode = [this] {
        for (QAction* item : gutterItems_->actions())
            item->setChecked(item->data().toInt() == static_cast<int>(gutterMode()));
    };
    connect(menu, &QMenu::aboutToShow, this, showMode);
    showMode();
    return menu;
}

HistoryView& HistoryPane::ensureView()
{
    if (view_)
        return *view_;
    view_ = new HistoryView(history_);
    view_->setObjectName(QStringLiteral("receivedHistory"));
    view_->setAccessibleName(tr("Received history"));
    view_->setViewType(viewType_);
    view_->setTextEncoding(encoding_);
    view_->setGutterMode(gutter_);
    // The window's menu items have these keys, so that they work from anywhere in it; the
    // pane's own would make every press ambiguous while the pane has the focus.
    for (QAction* own : {view_->findAction(), view_->findNextAction(), view_->findPreviousAction()})
        view_->removeAction(own);
    QSplitter* area = window_.readingArea();
    area->addWidget(view_);
    // Half the room of what came, the receive view keeping the rest.
    QList<int> sizes = area->sizes();
    const int total = std::accumulate(sizes.begin(), sizes.end(), 0);
    const int others = static_cast<int>(sizes.size()) - 1;
    if (total > 0 && others > 0) {
        sizes.back() = total / 2;
        for (int i = 0; i < others; ++i)
            sizes[i] = (total - sizes.back()) / others;
        area->setSizes(sizes);
    }
    return *view_;
}

bool HistoryPane::isShown() const
{
    return view_ && !view_->isHidden();
}

void HistoryPane::setShown(bool shown)
{
    window_.document().userActed();
    if (shown) {
        HistoryView& view = ensureView();
        view.show();
        view.refresh();
        view.setFocus(Qt::OtherFocusReason);
    } else if (view_) {
        if (view_->isAncestorOf(QApplication::focusWidget()))
            window_.receiveView()->setFocus(Qt::OtherFocusReason);
        view_->hide();
    }
    const QSignalBlocker quiet(showItem_);
    showItem_->setChecked(shown);
}

void HistoryPane::setGutterMode(GutterMode mode)
{
    gutter_ = mode;
    if (view_)
        view_->setGutterMode(mode);
}

GutterMode HistoryPane::gutterMode() const
{
    return view_ ? view_->gutterMode() : gutter_;
}

void HistoryPane::find()
{
    setShown(true);
    view_->openFind();
}

void HistoryPane::followWindow()
{
    const MyDocument& document = window_.document();
    if (document.getViewType() != viewType_) {
        viewType_ = document.getViewType();
        if (view_)
            view_->setViewType(viewType_);
    }
    if (document.getTextEncoding() != encoding_) {
        encoding_ = document.getTextEncoding();
        if (view_)
            view_->setTextEncoding(encoding_);
    }
}

void HistoryPane::askAndSave()
{
    static HistorySaver::Format lastFormat = HistorySaver::Format::Text;
    MyDocument& document = window_.document();
    document.userActed();
    if (saver_) {
        document.tellUser(
            "The received history is still being saved to " +
            QFileInfo(QFile::decodeName(QByteArray::fromStdString(saver_->path()))).fileName().toStdString() + ".");
        return;
    }
    QFileDialog dialog(&window_, tr("Save Received History As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(documentsFolder());
    const QString text = tr(textFilter);
    const QString raw = tr(rawFilter);
    dialog.setNameFilters({text, raw});
    const std::string device = document.deviceName();
    const QString stem = (device.empty() ? tr("received") : QString::fromLocal8Bit(device)) + tr("-history");
    // The name proposed follows the type chosen, until the user names the file.
    const auto propose = [&dialog, stem, raw](const QString& filter) {
        dialog.selectFile(stem + (filter == raw ? QStringLiteral(".bin") : QStringLiteral(".txt")));
    };
    connect(&dialog, &QFileDialog::filterSelected, &dialog, propose);
    dialog.selectNameFilter(lastFormat == HistorySaver::Format::Raw ? raw : text);
    propose(dialog.selectedNameFilter());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    lastFormat = dialog.selectedNameFilter() == raw ? HistorySaver::Format::Raw : HistorySaver::Format::Text;
    save(dialog.selectedFiles().constFirst(), lastFormat);
}

void HistoryPane::save(const QString& path, HistorySaver::Format format)
{
    std::string error;
    saver_ = HistorySaver::start(QFile::encodeName(path).toStdString(), format, history_.snapshot(), viewType_,
                                 encoding_, error);
    if (!saver_) {
        window_.document().tellUser("Could not save the received history to " +
                                    QFileInfo(path).fileName().toStdString() + ": " + error);
        return;
    }
    saveCheck_.start();
}

void HistoryPane::checkSave()
{
    if (!saver_ || !saver_->isFinished())
        return;
    saveCheck_.stop();
    const std::unique_ptr<HistorySaver> saver = std::move(saver_);
    const std::string name =
        QFileInfo(QFile::decodeName(QByteArray::fromStdString(saver->path()))).fileName().toStdString();
    const std::string result = saver->result();
    window_.document().tellUser(result.empty() ? "Received history saved to " + name + ": " +
                                                     std::to_string(saver->bytesWritten()) + " bytes."
                                               : "Could not save the received history to " + name + ": " + result);
}
