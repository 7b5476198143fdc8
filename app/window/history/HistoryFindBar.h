// The history's find bar: the pattern, whether it is a regular expression and whether case
// matters, what was found ("3 of 412", or why the pattern is no regular expression), the
// search's progress with a way to stop it, and the buttons for the previous and next match.
// Return finds the next, Shift+Return the previous, Escape closes the bar.
#pragma once

#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QToolButton;

class HistoryFindBar : public QWidget {
    Q_OBJECT

public:
    explicit HistoryFindBar(QWidget* parent = nullptr);

    QString pattern() const;
    bool regularExpression() const;
    bool matchCase() const;
    QLineEdit* patternField() const { return pattern_; }
    // Focuses the pattern with all of it selected, so typing replaces it.
    void focusPattern();

    // error: the summary tells what is wrong with the pattern.
    void setSummary(const QString& summary, bool error);
    // How far the search has come, 0 to 1; nullopt hides the progress and the stop button.
    void setProgress(std::optional<double> progress);
    QString summary() const;

signals:
    void queryChanged();
    void nextRequested();
    void previousRequested();
    void stopRequested();
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* pattern_;
    QToolButton* regex_;
    QToolButton* case_;
    QLabel* summary_;
    QProgressBar* progress_;
    QToolButton* stop_;
};
