#include "app/window/history/HistoryFindBar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolButton>

namespace {

QToolButton* toggle(QWidget* parent, const QString& text, const QString& tip)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setCheckable(true);
    button->setAutoRaise(true);
    return button;
}

} // namespace

HistoryFindBar::HistoryFindBar(QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    pattern_ = new QLineEdit(this);
    pattern_->setPlaceholderText(tr("Find in received history"));
    pattern_->setAccessibleName(tr("Find"));
    pattern_->setClearButtonEnabled(true);
    pattern_->installEventFilter(this);
    regex_ = toggle(this, QStringLiteral(".*"), tr("Regular expression"));
    case_ = toggle(this, QStringLiteral("Aa"), tr("Match case"));
    summary_ = new QLabel(this);
    QPalette colors = summary_->palette();
    colors.setColor(QPalette::BrightText, QColor(200, 0, 0));
    summary_->setPalette(colors);
    summary_->setMinimumWidth(summary_->fontMetrics().horizontalAdvance(QStringLiteral("000000 of 000000 so far")));
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    progress_->setMaximumWidth(80);
    progress_->setAccessibleName(tr("Search progress"));
    stop_ = new QToolButton(this);
    stop_->setText(tr("Stop"));
    stop_->setToolTip(tr("Stop searching"));
    stop_->setAutoRaise(true);
    auto* previous = new QToolButton(this);
    previous->setArrowType(Qt::UpArrow);
    previous->setToolTip(tr("Previous match (%1)").arg(QKeySequence(QKeySequence::FindPrevious).toString(QKeySequence::NativeText)));
    previous->setAccessibleName(tr("Previous match"));
    previous->setAutoRaise(true);
    auto* next = new QToolButton(this);
    next->setArrowType(Qt::DownArrow);
    next->setToolTip(tr("Next match (%1)").arg(QKeySequence(QKeySequence::FindNext).toString(QKeySequence::NativeText)));
    next->setAccessibleName(tr("Next match"));
    next->setAutoRaise(true);
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("\u2715"));
    close->setToolTip(tr("Close the find bar (Esc)"));
    close->setAccessibleName(tr("Close find"));
    close->setAutoRaise(true);
    for (QWidget* widget : {static_cast<QWidget*>(pattern_), static_cast<QWidget*>(regex_), static_cast<QWidget*>(case_),
                            static_cast<QWidget*>(summary_), static_cast<QWidget*>(progress_),
                            static_cast<QWidget*>(stop_), static_cast<QWidget*>(previous), static_cast<QWidget*>(next),
                            static_cast<QWidget*>(close)})
        row->addWidget(widget);
    row->setStretch(0, 1);
    setProgress(std::nullopt);

    connect(pattern_, &QLineEdit::textChanged, this, &HistoryFindBar::queryChanged);
    connect(regex_, &QToolButton::toggled, this, &HistoryFindBar::queryChanged);
    connect(case_, &QToolButton::toggled, this, &HistoryFindBar::queryChanged);
    connect(previous, &QToolButton::clicked, this, &HistoryFindBar::previousRequested);
    connect(next, &QToolButton::clicked, this, &HistoryFindBar::nextRequested);
    connect(stop_, &QToolButton::clicked, this, &HistoryFindBar::stopRequested);
    connect(close, &QToolButton::clicked, this, &HistoryFindBar::closeRequested);
    auto* escape = new QAction(this);
    escape->setShortcut(Qt::Key_Escape);
    escape->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QAction::triggered, this, &HistoryFindBar::closeRequested);
    addAction(escape);
}

QString HistoryFindBar::pattern() const
{
    return pattern_->text();
}

bool HistoryFindBar::regularExpression() const
{
    return regex_->isChecked();
}

bool HistoryFindBar::matchCase() const
{
    return case_->isChecked();
}

void HistoryFindBar::focusPattern()
{
    pattern_->setFocus(Qt::ShortcutFocusReason);
    pattern_->selectAll();
}

void HistoryFindBar::setSummary(const QString& summary, bool error)
{
    summary_->setText(summary);
    // An error is told in the colour of one, and not only by it: the text says what is wrong.
    summary_->setForegroundRole(error ? QPalette::BrightText : QPalette::WindowText);
}

QString HistoryFindBar::summary() const
{
    return summary_->text();
}

void HistoryFindBar::setProgress(std::optional<double> progress)
{
    progress_->setVisible(progress.has_value());
    stop_->setVisible(progress.has_value());
    if (progress)
        progress_->setValue(static_cast<int>(*progress * 1000));
}

bool HistoryFindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pattern_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                emit previousRequested();
            else
                emit nextRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
