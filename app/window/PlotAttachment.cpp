#include "app/window/PlotAttachment.h"

#include "app/terminal/MyDocument.h"
#include "app/window/MyDocumentWindow.h"
#include "app/window/plot/PlotPane.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QSplitter>

PlotAttachment::PlotAttachment(MyDocumentWindow& window) : QObject(&window), window_(window)
{
    window.viewMenu()->addSeparator();
    item_ = window.viewMenu()->addAction(tr("&Plot"));
    item_->setCheckable(true);
    item_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    connect(item_, &QAction::toggled, this, &PlotAttachment::open);
}

PlotAttachment::~PlotAttachment()
{
    delete pane_;
}

void PlotAttachment::open(bool on)
{
    if (!on) {
        delete pane_;
        return;
    }
    if (pane_)
        return;
    MyDocument& document = window_.document();
    pane_ = new PlotPane(document.stream(), [&document](const std::string& text) { document.tellUser(text); });
    QSplitter* area = window_.readingArea();
    area->addWidget(pane_);
    // The received text keeps the larger share.
    const int total = area->height();
    QList<int> sizes = area->sizes();
    if (sizes.size() >= 2 && total > 0) {
        sizes.back() = total * 2 / 5;
        sizes.front() = total - sizes.back();
        area->setSizes(sizes);
    }
}
