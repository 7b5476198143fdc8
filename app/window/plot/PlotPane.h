// The plot pane: a live chart of the numbers in a window's received stream, with a tool bar
// to pause, clear, pick how many samples to keep and the vertical range, and export what is
// kept as CSV or the chart as PNG. It hears the stream from construction to destruction, so
// it must go before the stream does; for screen readers its description sums up each series.
#pragma once

#include "app/plot/PlotFeed.h"
#include "app/plot/PlotModel.h"

#include <QBasicTimer>
#include <QWidget>

#include <functional>
#include <string>

class PlotView;
class QAction;
class QDoubleSpinBox;
class QMenu;
class QSpinBox;
class ReceivedStream;

class PlotPane : public QWidget {
    Q_OBJECT
public:
    // tell: news for the user's status bar.
    PlotPane(ReceivedStream& stream, std::function<void(const std::string&)> tell, QWidget* parent = nullptr);
    ~PlotPane() override;

    PlotModel& model() { return model_; }
    PlotView& view() const { return *view_; }
    // "2 series, samples 100 to 599. temp: last 21.5, lowest 20.1, highest 22.3. ..."
    QString summary() const;
    // Without asking where; each tells the user how it went and answers whether it worked.
    bool exportCsv(const QString& path);
    bool exportPng(const QString& path);

    QAction* pauseAction() const { return pause_; }
    QAction* autoRangeAction() const { return autoRange_; }
    QSpinBox* samplesBox() const { return samples_; }
    QDoubleSpinBox* lowBox() const { return low_; }
    QDoubleSpinBox* highBox() const { return high_; }
    QMenu* seriesMenu() const { return series_; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void buildToolBar();
    void showRange();
    void describe();
    void chooseAndExport(bool picture);

    ReceivedStream& stream_;
    std::function<void(const std::string&)> tell_;
    PlotModel model_;
    PlotFeed feed_;
    PlotView* view_ = nullptr;
    QAction* pause_ = nullptr;
    QAction* autoRange_ = nullptr;
    QSpinBox* samples_ = nullptr;
    QDoubleSpinBox* low_ = nullptr;
    QDoubleSpinBox* high_ = nullptr;
    QMenu* series_ = nullptr;
    QBasicTimer describeLater_;
};
