// A window's received history and the pane that shows it under the receive view. The history
// hears the window's stream from the window's first moment to its last, shown or not; the pane
// is made when first opened. Its items join the window's menus: View > Received History and
// Timestamps, Edit > Find (from anywhere in the window: it opens the pane), Find Next and
// Previous, and File > Save Received History As. The window owns it and outlives it.
#pragma once

#include "app/history/GutterMode.h"
#include "app/history/HistorySaver.h"
#include "app/history/ReceivedHistory.h"
#include "app/text/TextEncoding.h"
#include "app/window/history/HistoryView.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class MyDocumentWindow;
class QAction;
class QActionGroup;
class QMenu;

class HistoryPane : public QObject {
    Q_OBJECT

public:
    static constexpr int saveCheckInterval = 100; // milliseconds between looks at a save

    explicit HistoryPane(MyDocumentWindow& window);
    // The window's document (and its stream) is gone by now: the window's destructor ends it
    // before its children go, so nothing is removed from the stream here.
    ~HistoryPane() override;

    ReceivedHistory& history() { return history_; }
    // The pane, once it was first opened.
    HistoryView* view() const { return view_; }
    bool isShown() const;
    void setShown(bool shown);
    void setGutterMode(GutterMode mode);
    GutterMode gutterMode() const;
    // Opens the pane and its find bar.
    void find();
    // Writes the history to path in the background; the status bar tells how it went.
    void save(const QString& path, HistorySaver::Format format);
    bool isSaving() const { return saver_ != nullptr; }

    QAction* showItem() const { return showItem_; }
    QAction* findItem() const { return find_; }
    QAction* findNextItem() const { return next_; }
    QAction* findPreviousItem() const { return previous_; }
    QAction* saveItem() const { return saveItem_; }

private:
    void buildMenus();
    QMenu* buildTimestampsMenu(QMenu* parent);
    HistoryView& ensureView();
    void followWindow();
    void askAndSave();
    void checkSave();

    MyDocumentWindow& window_;
    ReceivedHistory history_;
    QPointer<HistoryView> view_;
    int viewType_ = 0;
    TextEncoding encoding_ = TextEncodingLatin1;
    GutterMode gutter_ = GutterMode::Clock;
    QAction* showItem_ = nullptr;
    QActionGroup* gutterItems_ = nullptr;
    QAction* find_ = nullptr;
    QAction* next_ = nullptr;
    QAction* previous_ = nullptr;
    QAction* saveItem_ = nullptr;
    std::unique_ptr<HistorySaver> saver_;
    QTimer saveCheck_;
    QTimer followLater_;
};
