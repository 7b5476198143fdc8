// View > Plot for a terminal window: opens a plot pane under the receive view, fed by the
// window's received stream, and closes it again. Closed, the pane and its samples are gone and
// nothing hears the stream for it. It must go before the window's document (the pane hears it).
#pragma once

#include "app/window/plot/PlotPane.h"

#include <QObject>
#include <QPointer>

class MyDocumentWindow;
class QAction;

class PlotAttachment : public QObject {
    Q_OBJECT
public:
    explicit PlotAttachment(MyDocumentWindow& window);
    ~PlotAttachment() override;

    QAction* item() const { return item_; }
    PlotPane* pane() const { return pane_; }

private:
    void open(bool on);

    MyDocumentWindow& window_;
    QAction* item_ = nullptr;
    QPointer<PlotPane> pane_;
};
