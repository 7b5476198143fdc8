#include "app/terminal/MyDocument.h"
#include "app/window/MyDocumentWindow.h"
#include "devices/DeviceList.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

#include <QLabel>
#include <QStatusBar>
#include <QtTest>

// The status bar as a user, and a screen reader, reads it.
class StatusFieldsTest : public QObject {
    Q_OBJECT

private slots:
    // A file name is text, whatever it looks like.
    void aCaptureFileNameShowsAsItIsNeverAsMarkup()
    {
        LogCapture quiet;
        TempDir dev, sys, files;
        Pty pty;
        dev.link("cu.usb", pty.slavePath());
        DeviceList devices({dev.path(), sys.path()});
        MyDocumentWindow window(devices);
        const QString path = QString::fromStdString(files.path()) + "/<i>x&amp;y.log";
        QCOMPARE(QString::fromStdString(window.document().startCapture(path.toStdString(), Capture::Format::Raw)),
                 QString());
        QLabel* capture = labelNamed(window, "Capture");
        QVERIFY(capture);
        QCOMPARE(capture->textFormat(), Qt::PlainText);
        QVERIFY(capture->text().contains("<i>x&amp;y.log"));
        window.document().stopCapture();
    }

    void everyStatusFieldHasAName()
    {
        LogCapture quiet;
        TempDir dev, sys;
        DeviceList devices({dev.path(), sys.path()});
        MyDocumentWindow window(devices);
        for (QLabel* label : window.statusBar()->findChildren<QLabel*>())
            QVERIFY2(!label->accessibleName().isEmpty(), qPrintable(label->text()));
    }

private:
    static QLabel* labelNamed(QWidget& window, const QString& name)
    {
        for (QLabel* label : window.findChildren<QLabel*>())
            if (label->accessibleName() == name)
                return label;
        return nullptr;
    }
};

QTEST_MAIN(StatusFieldsTest)
#include "StatusFieldsTest.moc"
