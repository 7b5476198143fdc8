// The received-history pane: the lines of a window's history with their timestamp gutter, and
// a find bar over them (Ctrl+F opens it, F3 and Shift+F3 or the platform's keys step through
// the matches, Escape closes it). The search runs in steps of a few milliseconds on the event
// loop, so keys are answered throughout; lines that arrive are shown and searched as they come.
#pragma once

#include "app/history/GutterMode.h"
#include "app/history/HistoryFinder.h"
#include "app/history/ReceivedHistory.h"
#include "app/text/TextEncoding.h"

#include <QTimer>
#include <QWidget>

#include <optional>

class HistoryFindBar;
class HistoryLinesView;
class QAction;

class HistoryView : public QWidget {
    Q_OBJECT

public:
    // Each step of a search stops after this long, leaving the rest of a frame to the window.
    static constexpr auto stepBudget = std::chrono::milliseconds(8);
    // New lines show at most this often (milliseconds), as the receive view's ticks.
    static constexpr int refreshInterval = 100;

    // Becomes the history's change listener while it lives.
    explicit HistoryView(ReceivedHistory& history, QWidget* parent = nullptr);
    ~HistoryView() override;

    // The window's view mode and encoding; a search runs again over what the lines now show.
    void setViewType(int viewType);
    void setTextEncoding(TextEncoding encoding);
    void setGutterMode(GutterMode mode);
    GutterMode gutterMode() const;

    void openFind();
    void closeFind();
    void findNext();
    void findPrevious();
    void copy();
    void selectAll();

    // Ctrl+F, F3 and Shift+F3 (or the platform's keys) while the focus is in the pane, for the
    // window's menus to show.
    QAction* findAction() const { return find_; }
    QAction* findNextAction() const { return next_; }
    QAction* findPreviousAction() const { return previous_; }

    // Catches up with the history at once, rather than at the next refresh.
    void refresh();

    HistoryLinesView& lines() const { return *lines_; }
    HistoryFindBar& findBar() const { return *bar_; }
    const HistoryFinder& finder() const { return finder_; }

private:
    void restartSearch();
    void moveToMatch(bool forward);
    void step();
    void showState();

    ReceivedHistory& history_;
    HistoryFinder finder_;
    HistoryLinesView* lines_;
    HistoryFindBar* bar_;
    QAction* find_;
    QAction* next_;
    QAction* previous_;
    QTimer steps_;
    QTimer refresh_;
    std::optional<FindMatch> shownCurrent_;
    // Where the bar's searches start while it stays open, so each letter typed searches on
    // from one place: the first line in view, or back from the end while the view follows it.
    std::uint64_t origin_ = 0;
    bool backward_ = false;
};
