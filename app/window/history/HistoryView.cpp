#include "app/window/history/HistoryView.h"

#include "app/window/history/HistoryFindBar.h"
#include "app/window/history/HistoryLinesView.h"

#include <QAction>
#include <QVBoxLayout>

namespace {

QAction* shortcut(QWidget* owner, QList<QKeySequence> keys)
{
    auto* action = new QAction(owner);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    owner->addAction(action);
    return action;
}

} // namespace

HistoryView::HistoryView(ReceivedHistory& history, QWidget* parent)
    : QWidget(parent), history_(history), finder_(history.store())
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    bar_ = new HistoryFindBar(this);
    bar_->hide();
    lines_ = new HistoryLinesView(history.store(), this);
    lines_->setFinder(&finder_);
    column->addWidget(bar_);
    column->addWidget(lines_, 1);
    setFocusProxy(lines_);

    find_ = shortcut(this, QKeySequence::keyBindings(QKeySequence::Find));
    find_->setText(tr("Find\u2026"));
    // F3 everywhere, and the platform's own keys too (Ctrl+G, ⌘G).
    QList<QKeySequence> nextKeys = QKeySequence::keyBindings(QKeySequence::FindNext);
    QList<QKeySequence> previousKeys = QKeySequence::keyBindings(QKeySequence::FindPrevious);
    if (!nextKeys.contains(QKeySequence(Qt::Key_F3)))
        nextKeys.prepend(QKeySequence(Qt::Key_F3));
    if (!previousKeys.contains(QKeySequence(Qt::SHIFT | Qt::Key_F3)))
        previousKeys.prepend(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    next_ = shortcut(this, nextKeys);
    next_->setText(tr("Find Next"));
    previous_ = shortcut(this, previousKeys);
    previous_->setText(tr("Find Previous"));
    connect(find_, &QAction::triggered, this, &HistoryView::openFind);
    connect(next_, &QAction::triggered, this, &HistoryView::findNext);
    connect(previous_, &QAction::triggered, this, &HistoryView::findPrevious);
    connect(lines_, &HistoryLinesView::findRequested, this, &HistoryView::openFind);
    connect(bar_, &HistoryFindBar::queryChanged, this, &HistoryView::restartSearch);
    connect(bar_, &HistoryFindBar::nextRequested, this, &HistoryView::findNext);
    connect(bar_, &HistoryFindBar::previousRequested, this, &HistoryView::findPrevious);
    connect(bar_, &HistoryFindBar::closeRequested, this, &HistoryView::closeFind);
    connect(bar_, &HistoryFindBar::stopRequested, this, [this] {
        finder_.cancel();
        showState();
    });

    steps_.setInterval(0);
    connect(&steps_, &QTimer::timeout, this, &HistoryView::step);
    refresh_.setSingleShot(true);
    refresh_.setInterval(refreshInterval);
    connect(&refresh_, &QTimer::timeout, this, &HistoryView::refresh);
    history_.setChangeListener([this] {
        if (!refresh_.isActive())
            refresh_.start();
    });
}

HistoryView::~HistoryView()
{
    history_.setChangeListener({});
}

void HistoryView::setViewType(int viewType)
{
    lines_->setViewType(viewType);
    restartSearch();
}

void HistoryView::setTextEncoding(TextEncoding encoding)
{
    lines_->setTextEncoding(encoding);
    restartSearch();
}

void HistoryView::setGutterMode(GutterMode mode)
{
    lines_->setGutterMode(mode);
}

GutterMode HistoryView::gutterMode() const
{
    return lines_->gutterMode();
}

void HistoryView::openFind()
{
    const bool opening = bar_->isHidden();
    if (opening) {
        backward_ = lines_->isFollowing();
        origin_ = lines_->topLine();
    }
    bar_->show();
    bar_->focusPattern();
    // Opened again, the bar searches again for what it still holds.
    if (opening)
        restartSearch();
}

void HistoryView::closeFind()
{
    bar_->hide();
    finder_.clear();
    steps_.stop();
    shownCurrent_.reset();
    lines_->setFocus(Qt::OtherFocusReason);
    lines_->viewport()->update();
}

void HistoryView::restartSearch()
{
    if (bar_->isHidden())
        return;
    HistoryFinder::Request request;
    request.pattern = bar_->pattern().toStdU16String();
    request.options = {bar_->regularExpression(), bar_->matchCase()};
    request.viewType = lines_->viewType();
    request.encoding = lines_->textEncoding();
    request.backward = backward_;
    request.origin = origin_;
    finder_.start(request);
    shownCurrent_.reset();
    lines_->viewport()->update();
    step();
}

void HistoryView::step()
{
    finder_.step(std::chrono::steady_clock::now() + stepBudget);
    if (finder_.hasWork())
        steps_.start();
    else
        steps_.stop();
    showState();
}

void HistoryView::showState()
{
    if (bar_->isHidden())
        return;
    bar_->setSummary(QString::fromStdString(finder_.summary()), !finder_.error().empty());
    bar_->setProgress(finder_.searching() ? std::optional(finder_.progress()) : std::nullopt);
    // Highlights do not wait for the count (each row in view is searched as it is painted):
    // the rows change only when the current match does.
    const auto current = finder_.current();
    if (current && current != shownCurrent_)
        lines_->reveal(*current);
    if (current != shownCurrent_)
        lines_->viewport()->update();
    shownCurrent_ = current;
}

void HistoryView::findNext()
{
    moveToMatch(true);
}

void HistoryView::findPrevious()
{
    moveToMatch(false);
}

void HistoryView::moveToMatch(bool forward)
{
    // With nothing to look for yet, the keys ask for it.
    if (bar_->isHidden() || bar_->pattern().isEmpty()) {
        openFind();
        return;
    }
    if (forward)
        finder_.next();
    else
        finder_.previous();
    showState();
}

void HistoryView::copy()
{
    lines_->copy();
}

void HistoryView::selectAll()
{
    lines_->selectAll();
}

void HistoryView::refresh()
{
    refresh_.stop();
    lines_->sync();
    if (finder_.hasWork() && !steps_.isActive())
        step();
}
