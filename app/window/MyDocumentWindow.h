// The "MyDocument" window: one terminal laid out with Qt widgets bound to the control
// models, which are connected to a MyDocument as its outlets and actions. The document
// never sees a widget; this class only lays out, binds, and shows the document's state.
#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

class DeviceList;
class MyDocument;
class QAction;
class QLabel;
class LineControls;
class QMenu;
class QSplitter;
class StatusLabel;
class SegmentedControlWidget;
struct TerminalControls;
class TextEditorWidget;
class TextViewWidget;

class MyDocumentWindow : public QMainWindow {
public:
    explicit MyDocumentWindow(QWidget* parent = nullptr);
    // A window on the devices of a list of its own (the process shares one by default).
    explicit MyDocumentWindow(DeviceList& devices, QWidget* parent = nullptr);
    ~MyDocumentWindow() override;

    MyDocument& document() const { return *document_; }
    TerminalControls& controls() const { return *controls_; }
    TextViewWidget* receiveView() const { return receiveView_; }
    TextEditorWidget* sendEditor() const { return sendEditor_; }
    // The File menu, for the application to add its window commands to.
    QMenu* fileMenu() const { return fileMenu_; }
    // The Port menu's line items and the status bar's modem-line indicators.
    LineControls& lineControls() const { return *lines_; }
    // Where the window's other panes go: under the receive view (the reading area) or beside
    // it, and the menus their items join.
    QSplitter* readingArea() const { return readingArea_; }
    QSplitter* sideArea() const { return sideArea_; }
    QMenu* portMenu() const { return portMenu_; }
    QMenu* viewMenu() const { return viewMenu_; }
    // Called whenever what the window shows may have changed (the document's state, its view
    // mode or encoding), after the window itself has followed.
    void whenStateChanges(std::function<void()> hook) { stateHooks_.push_back(std::move(hook)); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildSettingsRow();
    QWidget* buildReceivePane();
    QWidget* buildTransmitPane();
    void buildMenus();
    void showState();
    void showAbout();
    // Capture and saving what was received (MyDocumentWindowCapture.cpp).
    void buildCaptureItems(QMenu* port);
    void startCapture();
    void saveReceived();
    // Title mark, menu items and status bar counters; answers the title.
    QString showCapture(const QString& title);
    // The status bar's byte counts alone, at every tick of a stream.
    void showCounts();

    std::shared_ptr<TerminalControls> controls_;
    std::unique_ptr<MyDocument> document_;
    TextViewWidget* receiveView_ = nullptr;
    TextEditorWidget* sendEditor_ = nullptr;
    QLabel* portState_ = nullptr;
    StatusLabel* status_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* portMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QSplitter* readingArea_ = nullptr;
    QSplitter* sideArea_ = nullptr;
    std::vector<std::function<void()>> stateHooks_;
    LineControls* lines_ = nullptr;
    SegmentedControlWidget* readSegments_ = nullptr;
    SegmentedControlWidget* viewSegments_ = nullptr;
    QAction* readingItem_ = nullptr;
    QAction* startCaptureItem_ = nullptr;
    QAction* stopCaptureItem_ = nullptr;
    QLabel* captureState_ = nullptr;
    QLabel* traffic_ = nullptr;
};
