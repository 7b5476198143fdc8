// Shows a TextView model in a monospace grid: one cell per code unit, wrapped at the width,
// only the visible lines drawn. Read-only: the user selects, copies and scrolls, and the view
// follows the model's scroll requests, until the user scrolls away from the end or selects:
// that holds the view (TextView::isHeld) until they come back to the end. The model stays the
// truth; this widget only follows it.
#pragma once

#include "toolkit/TextView.h"
#include "toolkit/qt/AccessibleTextEvents.h"
#include "toolkit/qt/ModelBinding.h"
#include "toolkit/qt/CellTextPainter.h"
#include "toolkit/qt/MonoTextLayout.h"
#include "toolkit/qt/RefreshPacer.h"
#include "toolkit/qt/ShownRows.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <memory>
#include <string>
#include <vector>

class QMenu;
class QuietScrollBar;

class TextViewWidget : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TextViewWidget(std::shared_ptr<TextView> model, QWidget* parent = nullptr);

    TextView& model() const { return *model_; }
    std::size_t caretPosition() const { return caret_; }
    // What assistive technology is told; tests point it elsewhere.
    AccessibleTextEvents& accessibleEvents() { return accessibleEvents_; }

    QString selectedText() const;
    // Puts the selection on the clipboard; with nothing selected the clipboard keeps what it
    // had, and nothingToCopy() says so, so the user is not left thinking it copied.
    void copy();
    void selectAll();

    // Geometry, in the viewport's coordinates.
    const MonoTextLayout& textLayout() const { return layout_; }
    std::size_t positionAt(QPoint point) const;
    // The cell a caret at position stands in front of.
    QRect cellRect(std::size_t position) const;
    int firstVisibleLine() const;
    int visibleLineCount() const;

    // Escapes after which a line ends, as after a line break: the escape of LF, where bytes
    // show as numbers. None at first. Only the layout changes: the text and its copy do not.
    void setEscapesEndingLine(std::vector<std::u16string> escapes);

    QSize sizeHint() const override;

    // Rows written straight into the window's backing store (on) or composed in the view's own
    // image and blitted (off). For every view; off where the backing store is not a plain image.
    static void setIntoBackingStore(bool on) { intoBackingStore_ = on; }

signals:
    // The user began or stopped holding the view still to read.
    void heldChanged(bool held);
    // Copy was asked for with nothing selected.
    void nothingToCopy();

protected:
    // Called once the widget has caught up with a change of the model.
    virtual void modelChanged(bool textChanged, bool selectionChanged);
    virtual void paintOverlay(QPainter& painter);
    virtual void fillContextMenu(QMenu& menu);

    TextRange selection() const;
    std::size_t caret() const { return caret_; }
    std::size_t anchor() const { return anchor_; }
    // Moves the selection (anchor fixed, caret moving) and hands it to the model.
    void setSelection(std::size_t anchor, std::size_t caret);
    void ensureVisible(std::size_t position);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void sync();
    // Repaints the rows whose content changed since the last call, moving the pixels of rows
    // that only scrolled instead of painting them again. A refresh for text that streamed in
    // may be paced: held back while most of the screen is new at every one.
    void refreshRows(bool streamed = false);
    void repaintAll();
    int rowCount() const;
    // Lays the text out again, keeping in view the end, or while held the first line shown,
    // less the units that fell off the front since.
    void relayout(std::size_t dropped = 0);
    void updateScrollBar();
    void userScrolled();
    void followEnd();
    int columnsForWidth() const;
    QPoint cellOrigin(std::size_t line, int column) const;
    void paintRows(QPainter& painter, QPaintEvent* event);

    static bool intoBackingStore_;
    QImage frame_;

    ModelBinding<TextView> model_;
    AccessibleTextEvents accessibleEvents_{*this};
    QuietScrollBar* bar_ = nullptr; // the vertical one, a child
    CellTextPainter cells_;
    MonoTextLayout layout_;
    std::uint64_t textRevision_ = 0;
    std::uint64_t scrollRevision_ = 0;
    std::uint64_t dropped_ = 0;
    MonoTextLayout::Escapes escapes_;
    std::string toolTip_;
    std::size_t anchor_ = 0;
    std::size_t caret_ = 0;
    bool dragging_ = false;
    bool syncing_ = false;
    bool movingView_ = false; // the view itself moves the scroll bar, not the user
    bool held_ = false;
    ShownRows shownRows_;
    RefreshPacer pacer_{[this] { refreshRows(); }};
};
