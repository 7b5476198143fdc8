// Asks where a capture goes and in which format: a save dialog in the documents folder that
// proposes DEVICE-YYYYMMDD-HHMMSS.log, whose file types are the formats, and that confirms
// before an existing file is replaced.
#pragma once

#include "app/capture/Capture.h"

#include <QString>

class QWidget;

struct CaptureChoice {
    QString path;
    Capture::Format format = Capture::Format::Text;
};

// False when the user cancelled. The format chosen last is proposed next time.
bool askCaptureFile(QWidget* parent, const QString& deviceName, CaptureChoice& choice);
// Where files the program writes are proposed: the user's documents folder, or home.
QString documentsFolder();
// The name proposed for a capture of deviceName started now.
QString proposedCaptureName(const QString& deviceName);
