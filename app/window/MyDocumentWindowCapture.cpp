// The window's side of capture: Port > Start Capture / Stop Capture, File > Save Received
// As, the title's mark and the status bar's counters.
#include "app/window/MyDocumentWindow.h"

#include "app/window/CaptureDialog.h"

#include "app/MyDocument.h"
#include "devices/Device.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>

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
    const Device* device = document_->getEnabledDevice();
    CaptureChoice choice;
    if (!askCaptureFile(this, device ? QString::fromLocal8Bit(device->getAddr()) : QString(), choice))
        return;
    document_->startCapture(QFile::encodeName(choice.path).toStdString(), choice.format);
}

void MyDocumentWindow::saveReceived()
{
    document_->userActed();
    const Device* device = document_->getEnabledDevice();
    const QString name = (device ? QString::fromLocal8Bit(device->getAddr()) : tr("received")) + QStringLiteral(".bin");
    const QString path = QFileDialog::getSaveFileName(this, tr("Save Received As"), QDir(documentsFolder()).filePath(name));
    if (!path.isEmpty())
        document_->saveReceived(QFile::encodeName(path).toStdString());
}

QString MyDocumentWindow::showCapture(const QString& title)
{
    const bool capturing = document_->capture() != nullptr;
    startCaptureItem_->setText(capturing ? tr("Start &New Capture…") : tr("Start &Capture…"));
    stopCaptureItem_->setEnabled(capturing);
    const QString capture = QString::fromStdString(document_->captureState());
    captureState_->setText(capture);
    captureState_->setVisible(!capture.isEmpty());
    const QString traffic = QString::fromStdString(document_->trafficState());
    traffic_->setText(traffic);
    traffic_->setVisible(!traffic.isEmpty());
    // A mark at the front, where a task bar that cuts titles short still shows it.
    return capturing ? QStringLiteral("\u25CF ") + title : title;
}
