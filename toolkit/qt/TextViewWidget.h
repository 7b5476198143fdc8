// Shows a TextView model in a monospace grid: one cell per code unit, wrapped at the width,
// only the visible lines drawn. Read-only: the user selects, copies and scrolls, and the view
// follows the model's scroll requests. The model stays the truth; this widget only follows it.
#pragma once

#include "toolkit/TextView.h"
#include "toolkit/qt/ModelBinding.h"
#include "toolkit/qt/CellTextPainter.h"
#include "toolkit/qt/MonoTextLayout.h"

#include <QAbstractScrollArea>

#include <QRgb>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class QMenu;

class TextViewWidget : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TextViewWidget(std::shared_ptr<TextView> model, QWidget* parent = nullptr);

    TextView& model() const { return *model_; }

    QString selectedText() const;
    void copy() const;
    void selectAll();

    // Geometry, in the viewport's coordinates.
    const MonoTextLayout& textLayout() const { return layout_; }
    std::size_t positionAt(QPoint point) const;
    // The cell a caret at position stands in front of.
    QRect cellRect(std::size_t position) const;
    int firstVisibleLine() const;
    int visibleLineCount() const;

    QSize sizeHint() const override;

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
    TextRange wordAt(std::size_t position) const;
    static int wordClass(char16_t unit);

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
    // What one row of the viewport shows, to tell which rows a change touched.
    struct ShownRow {
        std::u16string units;
        std::vector<std::pair<std::size_t, QRgb>> colors; // stretches of cells; alpha 0 for plain text
        std::size_t selectedFrom = 0;                     // highlighted cells, a line break included
        std::size_t selectedTo = 0;
        int caretColumn = -1;
        std::size_t hash = 0;
        bool operator==(const ShownRow&) const = default;
    };

    void sync();
    // Repaints the rows whose content changed since the last call, moving the pixels of rows
    // that only scrolled instead of painting them again.
    void refreshRows();
    void repaintAll();
    void describeRow(ShownRow& row, std::size_t index, std::size_t caretLine) const;
    int rowCount() const;
    void relayout();
    void updateScrollBar();
    int columnsForWidth() const;
    QPoint cellOrigin(std::size_t line, int column) const;

    ModelBinding<TextView> model_;
    CellTextPainter cells_;
    MonoTextLayout layout_;
    std::uint64_t textRevision_ = 0;
    std::uint64_t scrollRevision_ = 0;
    std::string toolTip_;
    std::size_t anchor_ = 0;
    std::size_t caret_ = 0;
    bool dragging_ = false;
    bool syncing_ = false;
    std::vector<ShownRow> shownRows_;
    std::vector<ShownRow> nextRows_;
};
