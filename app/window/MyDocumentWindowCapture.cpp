// The window's side of capture: Port > Start Capture / Stop Capture, File > Save Received
// As, the title's mark and the status bar's counters.
#include "app/window/MyDocumentWindow.h"

#include "app/window/CaptureDialog.h"

#include "app/terminal/MyDocument.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>

namespace {

// The counts change at every tick of a stream. A label whose size is fixed takes new text
// without laying the status bar out again, so its size is set by hand: it only grows, when a
// count needs more room, and starts small again once hidden.
void showCount(QLabel* label, const QString& text)
{
    if (label->text() == text)
        return;
    if (text.isEmpty()) {
        label->setVisible(false);
        label->setMinimumWidth(0);
    }
    const int width = label->fontMetrics().horizontalAdvance(text) + 2 * label->margin() + 2;
    if (width > label->minimumWidth())
        label->setFixedSize(width, label->fontMetrics().height());
    label->setText(text);
    label->setVisible(!text.isEmpty());
}

} // namespace

void MyDocumentWindow::buildCaptureItems(QMenu* port)
{
    port->addSeparator();
    startCaptureItem_ = port->addAction(tr("Start &Capture…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this,
                                        &MyDocumentWindow::startCapture);
    stopCaptureItem_ = port->addAction(tr("S&top Capture"), this, [this] { document_->stopCapture(); });
    fileMenu_->addAction(tr("Save &Received As…"), this, &MyDocumentWindow::saveReceived);
    fileMenu_->addSeparator();
}

void MyDocumentWindow::startCapture()
{
    document_->userActed();
    CaptureChoice choice;
    if (!askCaptureFile(this, QString::fromLocal8Bit(document_->deviceName()), choice))
        return;
    document_->startCapture(QFile::encodeName(choice.path).toStdString(), choice.format);
}

void MyDocumentWindow::saveReceived()
{
    document_->userActed();
    const std::string device = document_->deviceName();
    const QString name = (device.empty() ? tr("received") : QString::fromLocal8Bit(device)) + QStringLiteral(".bin");
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Received As"), QDir(documentsFolder()).filePath(name));
    if (!path.isEmpty())
        document_->saveReceived(QFile::encodeName(path).toStdString());
}

void MyDocumentWindow::showCounts()
{
    showCount(captureState_, QString::fromStdString(document_->captureState()));
    showCount(traffic_, QString::fromStdString(document_->trafficState()));
}

QString MyDocumentWindow::showCapture(const QString& title)
{
    const bool capturing = document_->capture() != nullptr;
    startCaptureItem_->setText(capturing ? tr("Start &New Capture…") : tr("Start &Capture…"));
    stopCaptureItem_->setEnabled(capturing);
    showCounts();
    // A mark at the front, where a task bar that cuts titles short still shows it.
    return capturing ? QStringLiteral("\u25CF ") + title : title;
}
