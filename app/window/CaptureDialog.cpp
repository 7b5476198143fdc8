#include "app/window/CaptureDialog.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace {

const char* const textFilter = QT_TRANSLATE_NOOP("CaptureDialog", "Text with timestamps (*.log *.txt)");
const char* const rawFilter = QT_TRANSLATE_NOOP("CaptureDialog", "Raw bytes (*.log *.bin)");

} // namespace

QString documentsFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder.isEmpty() || !QDir(folder).exists() ? QDir::homePath() : folder;
}

QString proposedCaptureName(const QString& deviceName)
{
    QString device = deviceName.isEmpty() ? QStringLiteral("capture") : deviceName;
    // A device name may hold anything a file name may not.
    device.replace(QLatin1Char('/'), QLatin1Char('_'));
    return device + QDateTime::currentDateTime().toString(QStringLiteral("-yyyyMMdd-HHmmss")) + QStringLiteral(".log");
}

bool askCaptureFile(QWidget* parent, const QString& deviceName, CaptureChoice& choice)
{
    static Capture::Format lastFormat = Capture::Format::Text;

    QFileDialog dialog(parent, QFileDialog::tr("Start Capture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(documentsFolder());
    dialog.setDefaultSuffix(QStringLiteral("log"));
    const QString text = QFileDialog::tr(textFilter);
    const QString raw = QFileDialog::tr(rawFilter);
    dialog.setNameFilters({text, raw});
    dialog.selectNameFilter(lastFormat == Capture::Format::Raw ? raw : text);
    dialog.selectFile(proposedCaptureName(deviceName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    choice.path = dialog.selectedFiles().constFirst();
    choice.format = dialog.selectedNameFilter() == raw ? Capture::Format::Raw : Capture::Format::Text;
    lastFormat = choice.format;
    return true;
}
