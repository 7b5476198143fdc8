// The lines of a received history in a monospace grid, one row a line, only the rows in view
// rendered: a 64 MiB history opens and scrolls as fast as a short one. A gutter of timestamps
// stands before each row, escapes are gray as in the receive view, and a find's matches are
// highlighted, the current one distinct. It follows the end while the user is there and holds
// still while they read or select. Selection is of whole lines. Reads the store; never writes.
#pragma once

#include "app/history/GutterMode.h"
#include "app/history/HistoryFinder.h"
#include "app/history/HistoryStore.h"
#include "app/history/StampText.h"
#include "app/text/TextEncoding.h"
#include "toolkit/qt/CellTextPainter.h"

#include <QAbstractScrollArea>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>

class TextAnnouncer;

class HistoryLinesView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit HistoryLinesView(const HistoryStore& store, QWidget* parent = nullptr);
    ~HistoryLinesView() override;

    const HistoryStore& store() const { return store_; }
    void setViewType(int viewType);
    void setTextEncoding(TextEncoding encoding);
    int viewType() const { return viewType_; }
    TextEncoding textEncoding() const { return encoding_; }
    void setGutterMode(GutterMode mode);
    GutterMode gutterMode() const { return gutter_; }
    // Where the highlights come from; nullptr for none. Not owned.
    void setFinder(const HistoryFinder* finder);

    // Catches up with the store: lines that came, lines it dropped.
    void sync();
    // Scrolls so the match shows, and holds the view there.
    void reveal(const FindMatch& match);
    void followEnd();
    bool isFollowing() const { return following_; }
    // The first line in view (where a find starts from), or the history's end while following.
    std::uint64_t topLine() const;

    // Rows: the start notice (once something was dropped) and then the lines, by row id: the
    // notice is the id just before the first line.
    std::uint64_t firstId() const;
    std::uint64_t endId() const { return store_.endLine(); }
    int firstVisibleRow() const;
    int visibleRowCount() const;

    // The selected rows' ids, first and last, if any.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> selectedRows() const;
    void selectRows(std::uint64_t anchor, std::uint64_t caret);
    void clearSelection();
    // The selected lines as copy gives them (UTF-8), with their stamps while the gutter shows.
    std::string selectedText() const;

public slots:
    // Slots, so that the window's Edit menu finds them (as it finds those of Qt's text widgets).
    void selectAll();
    void copy() const;

public:

    // The rows in view as text, a line feed after each: what assistive technology reads.
    QString visibleText() const;
    // Where row r of the view starts in visibleText(), and the row that holds offset.
    int visibleRowOffset(int row) const;
    int visibleRowAt(int offset) const;
    // The caret's row in view, -1 when it is out of view.
    int caretRow() const;
    QRect rowRect(int row) const;
    int rowAt(QPoint point) const;

    // What tells assistive technology of new lines.
    TextAnnouncer& announcer() const { return *announcer_; }

signals:
    void followingChanged(bool following);
    void findRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Row {
        AttributedText text;
        QString gutter;
        bool marker = false;
    };

    Row rowFor(std::uint64_t id);
    QString rowText(std::uint64_t id) const;
    void paintRow(QPainter& painter, int y, std::uint64_t id, const Row& row);
    void paintMatches(QPainter& painter, int y, std::uint64_t id, const Row& row);
    int textLeft() const;
    int visibleColumns() const;
    void updateScrollBars();
    void setTop(std::uint64_t row);
    void setFollowing(bool following);
    void moveCaret(std::int64_t by, bool extend);
    void forgetRendered();

    const HistoryStore& store_;
    const HistoryFinder* finder_ = nullptr;
    TextAnnouncer* announcer_ = nullptr;
    CellTextPainter cells_;
    mutable StampText stamps_;
    int viewType_ = 0;
    TextEncoding encoding_ = TextEncodingLatin1;
    GutterMode gutter_ = GutterMode::Clock;
    std::uint64_t shownFirstId_ = 0;
    std::uint64_t shownEnd_ = 0;
    bool following_ = true;
    bool moving_ = false; // the view moves its scroll bars, not the user
    std::optional<std::uint64_t> anchor_;
    std::uint64_t caret_ = 0;
    bool dragging_ = false;
    std::size_t widest_ = 0; // the most cells a row in view has needed
    std::unordered_map<std::uint64_t, Row> rendered_;
};
