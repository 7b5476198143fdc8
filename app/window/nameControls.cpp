#include "app/window/nameControls.h"

#include "app/terminal/TerminalControls.h"
#include "app/window/MyDocumentWindow.h"
#include "toolkit/qt/ButtonWidget.h"
#include "toolkit/qt/SegmentedControlWidget.h"

#include <QCoreApplication>

namespace {

template <typename W, typename Model>
W* widgetFor(MyDocumentWindow& window, const Model& model)
{
    for (W* widget : window.findChildren<W*>()) {
        if (&widget->model() == &model)
            return widget;
    }
    return nullptr;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("MyDocumentWindow", text);
}

} // namespace

void nameControls(MyDocumentWindow& window)
{
    TerminalControls& controls = window.controls();
    if (auto* clear = widgetFor<ButtonWidget>(window, controls.clrRecvButton))
        clear->setAccessibleName(tr("Clear Received"));
    if (auto* clear = widgetFor<ButtonWidget>(window, controls.clrSendButton))
        clear->setAccessibleName(tr("Clear Transmit"));
    if (auto* row = widgetFor<SegmentedControlWidget>(window, controls.readToggle))
        row->setGroupName(tr("Read"));
    if (auto* row = widgetFor<SegmentedControlWidget>(window, controls.viewFilter))
        row->setGroupName(tr("View"));
}
