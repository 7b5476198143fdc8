#include "app/window/plot/PlotPane.h"

#include "app/stream/ReceivedStream.h"
#include "app/window/plot/PlotView.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QSpinBox>
#include <QTimerEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <limits>

namespace {

QString number(double v)
{
    return QString::number(v, 'g', 6);
}

} // namespace

PlotPane::PlotPane(ReceivedStream& stream, std::function<void(const std::string&)> tell, QWidget* parent)
    : QWidget(parent), stream_(stream), tell_(std::move(tell)), feed_(model_)
{
    setAccessibleName(tr("Plot pane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    view_ = new PlotView(model_);
    feed_.whenChanged([this] { view_->modelChanged(); });
    buildToolBar();
    layout->addWidget(view_, 1);
    connect(view_, &PlotView::shownChanged, this, [this] {
        if (!describeLater_.isActive())
            describeLater_.start(1000, this);
    });
    connect(view_, &PlotView::seriesToggled, this, [this] { describe(); });
    describe();
    stream_.add(feed_);
}

PlotPane::~PlotPane()
{
    stream_.remove(feed_);
}

void PlotPane::buildToolBar()
{
    auto* bar = new QToolBar(tr("Plot"));
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout()->addWidget(bar);

    pause_ = bar->addAction(tr("Pause"));
    pause_->setCheckable(true);
    pause_->setToolTip(tr("Hold the chart still; samples keep coming and are kept"));
    connect(pause_, &QAction::toggled, this, [this](bool paused) {
        paused ? model_.pause() : model_.resume();
        pause_->setText(paused ? tr("Resume") : tr("Pause"));
        view_->refresh();
    });
    bar->addAction(tr("Clear"), this, [this] {
        model_.clear();
        view_->refresh();
    });
    // The legend's toggles for the keyboard: a menu of the series as they are when it opens.
    auto* seriesButton = new QToolButton;
    seriesButton->setText(tr("Series"));
    seriesButton->setPopupMode(QToolButton::InstantPopup);
    series_ = new QMenu(seriesButton);
    seriesButton->setMenu(series_);
    connect(series_, &QMenu::aboutToShow, this, [this] {
        series_->clear();
        if (model_.seriesCount() == 0)
            series_->addAction(tr("No series yet"))->setEnabled(false);
        for (std::size_t i = 0; i < model_.seriesCount(); ++i) {
            QAction* item = series_->addAction(QString::fromStdString(model_.series(i).name));
            item->setCheckable(true);
            item->setChecked(model_.series(i).shown);
            connect(item, &QAction::toggled, this, [this, i](bool shown) {
                model_.setShown(i, shown);
                view_->refresh();
                describe();
            });
        }
    });
    bar->addWidget(seriesButton);
    bar->addSeparator();

    samples_ = new QSpinBox;
    samples_->setRange(static_cast<int>(PlotModel::minWindow), static_cast<int>(PlotModel::maxWindow));
    samples_->setValue(static_cast<int>(model_.window()));
    samples_->setSingleStep(100);
    samples_->setKeyboardTracking(false);
    samples_->setAccessibleName(tr("Samples shown"));
    auto* samplesLabel = new QLabel(tr("&Samples "));
    samplesLabel->setBuddy(samples_);
    bar->addWidget(samplesLabel);
    bar->addWidget(samples_);
    connect(samples_, &QSpinBox::valueChanged, this, [this](int samples) {
        model_.setWindow(static_cast<std::size_t>(samples));
        view_->refresh();
    });
    bar->addSeparator();

    autoRange_ = bar->addAction(tr("Auto Range"));
    autoRange_->setCheckable(true);
    autoRange_->setChecked(true);
    autoRange_->setToolTip(tr("The vertical range follows the values shown; off, it stays as set"));
    const double most = 1e12;
    for (QDoubleSpinBox** box : {&low_, &high_}) {
        *box = new QDoubleSpinBox;
        (*box)->setRange(-most, most);
        (*box)->setDecimals(3);
        (*box)->setKeyboardTracking(false);
        (*box)->setEnabled(false);
        connect(*box, &QDoubleSpinBox::valueChanged, this, [this] { showRange(); });
    }
    low_->setAccessibleName(tr("Lowest value shown"));
    high_->setAccessibleName(tr("Highest value shown"));
    high_->setValue(100);
    bar->addWidget(low_);
    bar->addWidget(new QLabel(tr(" to ")));
    bar->addWidget(high_);
    connect(autoRange_, &QAction::toggled, this, [this](bool automatic) {
        if (!automatic) { // start from what the chart shows now
            const PlotChart::Geometry& drawn = view_->geometry();
            const QSignalBlocker lowQuiet(low_), highQuiet(high_);
            low_->setValue(drawn.low);
            high_->setValue(drawn.high);
        }
        low_->setEnabled(!automatic);
        high_->setEnabled(!automatic);
        showRange();
    });
    bar->addSeparator();
    bar->addAction(tr("Export CSV…"), this, [this] { chooseAndExport(false); });
    bar->addAction(tr("Export PNG…"), this, [this] { chooseAndExport(true); });
}

void PlotPane::showRange()
{
    if (autoRange_->isChecked() || high_->value() <= low_->value())
        view_->chart().setFixedRange(std::nullopt);
    else
        view_->chart().setFixedRange(std::make_pair(low_->value(), high_->value()));
    view_->refresh();
}

void PlotPane::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != describeLater_.timerId())
        return QWidget::timerEvent(event);
    describeLater_.stop();
    describe();
}

void PlotPane::describe()
{
    view_->setAccessibleDescription(summary());
}

QString PlotPane::summary() const
{
    const std::uint64_t begin = model_.shownBegin(), end = model_.shownEnd();
    if (model_.seriesCount() == 0 || begin == end)
        return tr("No numbers yet.");
    QString text =
        tr("%n series, samples %1 to %2", nullptr, static_cast<int>(model_.seriesCount())).arg(begin).arg(end - 1);
    text += model_.isPaused() ? tr(", paused.") : QStringLiteral(".");
    for (std::size_t i = 0; i < model_.seriesCount(); ++i) {
        const QString name = QString::fromStdString(model_.series(i).name);
        const PlotModel::Stats stats = model_.stats(i, begin, end);
        if (!model_.series(i).shown)
            text += tr(" %1: hidden.").arg(name);
        else if (stats.count == 0)
            text += tr(" %1: no values.").arg(name);
        else
            text += tr(" %1: last %2, lowest %3, highest %4.")
                        .arg(name, number(stats.last), number(stats.min), number(stats.max));
    }
    return text;
}

bool PlotPane::exportCsv(const QString& path)
{
    QFile file(path);
    const std::string csv = model_.csv();
    const bool saved = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                       file.write(csv.data(), static_cast<qint64>(csv.size())) == static_cast<qint64>(csv.size()) &&
                       file.flush();
    const std::uint64_t count = model_.endKept() - model_.firstKept();
    tell_((saved ? tr("Saved %n samples to %1", nullptr, static_cast<int>(count)).arg(path)
                 : tr("Could not save %1: %2").arg(path, file.errorString()))
              .toStdString());
    return saved;
}

bool PlotPane::exportPng(const QString& path)
{
    const bool saved = view_->grab().save(path, "PNG");
    tell_(
        (saved ? tr("Saved the chart to %1").arg(path) : tr("Could not save the chart to %1").arg(path)).toStdString());
    return saved;
}

void PlotPane::chooseAndExport(bool picture)
{
    const QString path = picture ? QFileDialog::getSaveFileName(this, tr("Export Chart"), QStringLiteral("plot.png"),
                                                                tr("PNG images (*.png)"))
                                 : QFileDialog::getSaveFileName(this, tr("Export Samples"), QStringLiteral("plot.csv"),
                                                                tr("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    picture ? exportPng(path) : exportCsv(path);
}
