#include "app/window/MyDocumentWindow.h"

#include "app/window/HistoryPane.h"
#include "app/window/ConsolePane.h"
#include "app/window/LineControls.h"
#include "app/window/NetworkPortDialog.h"
#include "app/window/PlotAttachment.h"
#include "app/window/StatusLabel.h"
#include "app/window/nameControls.h"

#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "app/text/ViewType.h"
#include "app/text/filterString.h"
#include "devices/DeviceList.h"
#include "app/window/EditMenu.h"
#include "app/window/SendTools.h"
#include "toolkit/qt/ButtonWidget.h"
#include "toolkit/qt/PopUpButtonWidget.h"
#include "toolkit/qt/SegmentedControlWidget.h"
#include "toolkit/qt/TextEditorWidget.h"
#include "toolkit/qt/TextFieldWidget.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include <utility>

namespace {

// A model inside the shared controls, kept alive by them for as long as a widget holds it.
template <typename Model>
std::shared_ptr<Model> part(const std::shared_ptr<TerminalControls>& controls, Model TerminalControls::*member)
{
    return std::shared_ptr<Model>(controls, &((*controls).*member));
}

QLabel* caption(const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

} // namespace

MyDocumentWindow::MyDocumentWindow(QWidget* parent) : MyDocumentWindow(DeviceList::sharedDeviceList(), parent) {}

MyDocumentWindow::MyDocumentWindow(DeviceList& devices, QWidget* parent)
    : QMainWindow(parent), controls_(std::make_shared<TerminalControls>())
{
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1000, 700);

    // The widgets bind to the models first, so they show what the document's set-up puts there.
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(8, 8, 8, 4);
    layout->addWidget(buildSettingsRow());
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setChildrenCollapsible(false);
    // What arrived, with room for panes that show it otherwise: below it, and beside.
    sideArea_ = new QSplitter(Qt::Horizontal);
    readingArea_ = new QSplitter(Qt::Vertical);
    readingArea_->setChildrenCollapsible(false);
    readingArea_->addWidget(buildReceivePane());
    sideArea_->addWidget(readingArea_);
    splitter->addWidget(sideArea_);
    splitter->addWidget(buildTransmitPane());
    splitter->setStretchFactor(0, 4);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({520, 150});
    layout->addWidget(splitter, 1);
    setCentralWidget(central);

    // The fields show text from outside the program (file and device names): never as markup.
    const auto field = [](QLabel* label, const QString& name) {
        label->setTextFormat(Qt::PlainText);
        label->setAccessibleName(name);
        return label;
    };
    portState_ = field(new QLabel, tr("Port state"));
    status_ = new StatusLabel;
    status_->setAccessibleName(tr("Status"));
    statusBar()->addWidget(status_, 1);
    captureState_ = field(new QLabel, tr("Capture"));
    traffic_ = field(new QLabel, tr("Bytes received and sent"));
    statusBar()->addPermanentWidget(captureState_);
    statusBar()->addPermanentWidget(traffic_);
    statusBar()->addPermanentWidget(portState_);

    buildMenus();

    document_ = std::make_unique<MyDocument>(*controls_, devices);
    lines_ = new LineControls(this, *document_, portMenu_, statusBar());
    document_->setStateObserver([this] { showState(); });
    document_->setTrafficObserver([this] { showCounts(); });
    connect(receiveView_, &TextViewWidget::heldChanged, this, [this] { showState(); });
    for (TextViewWidget* view : {receiveView_, static_cast<TextViewWidget*>(sendEditor_)})
        connect(view, &TextViewWidget::nothingToCopy, this,
                [this] { document_->tellUser("Nothing is selected: the clipboard keeps what it had."); });
    controls_->connect(*document_);
    new SendTools(*this);
    new PlotAttachment(*this);
    new HistoryPane(*this); // owned by the window, as a child
    showState();
    new ConsolePane(*this);
    nameControls(*this);
    sendEditor_->setFocus();
}

MyDocumentWindow::~MyDocumentWindow()
{
    // The document goes before the widgets and models it points at; nothing may reach it after.
    controls_->disconnect();
    delete std::exchange(lines_, nullptr); // it watches the window, which still hides
    delete findChild<PlotAttachment*>(); // its pane hears the document
    document_->setStateObserver(nullptr);
    document_->setTrafficObserver(nullptr);
    document_.reset();
}

QWidget* MyDocumentWindow::buildSettingsRow()
{
    // Captions stand above their controls, so the whole row fits a window 640 pixels wide: two
    // windows side by side on a common screen. The view toggle heads the receive pane instead.
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto add = [layout](const QString& text, QWidget* control, int stretch = 0) {
        auto* column = new QVBoxLayout;
        column->setSpacing(1);
        column->addWidget(caption(text, control));
        column->addWidget(control);
        layout->addLayout(column, stretch);
    };

    auto* device = new PopUpButtonWidget(part(controls_, &TerminalControls::devicePU));
    device->setMinimumContentsLength(10);
    device->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    add(tr("&Device"), device, 1);
    auto* refresh = new ButtonWidget(part(controls_, &TerminalControls::refreshButton));
    layout->addWidget(refresh, 0, Qt::AlignBottom);
    layout->addSpacing(8);
    add(tr("&Baud"), new PopUpButtonWidget(part(controls_, &TerminalControls::baudRatePU)));
    add(tr("F&ormat"), new PopUpButtonWidget(part(controls_, &TerminalControls::packetPU)));
    add(tr("F&low"), new PopUpButtonWidget(part(controls_, &TerminalControls::flowPU)));
    layout->addSpacing(8);
    readSegments_ = new SegmentedControlWidget(part(controls_, &TerminalControls::readToggle));
    add(tr("Read"), readSegments_);
    return row;
}

QWidget* MyDocumentWindow::buildReceivePane()
{
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* header = new QHBoxLayout;
    receiveView_ = new TextViewWidget(part(controls_, &TerminalControls::recieveTF));
    header->addWidget(caption(tr("Received"), receiveView_));
    header->addStretch(1);
    viewSegments_ = new SegmentedControlWidget(part(controls_, &TerminalControls::viewFilter));
    header->addWidget(caption(tr("View"), viewSegments_));
    header->addWidget(viewSegments_);
    header->addSpacing(12);
    header->addWidget(new ButtonWidget(part(controls_, &TerminalControls::clrRecvButton)));
    layout->addLayout(header);
    layout->addWidget(receiveView_, 1);
    return pane;
}

QWidget* MyDocumentWindow::buildTransmitPane()
{
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);

    sendEditor_ = new TextEditorWidget(part(controls_, &TerminalControls::sendTF));
    sendEditor_->setMinimumHeight(60);
    auto* header = new QHBoxLayout;
    header->addWidget(caption(tr("&Transmit"), sendEditor_));
    header->addStretch(1);
    header->addWidget(new ButtonWidget(part(controls_, &TerminalControls::clrSendButton)));
    layout->addLayout(header);
    layout->addWidget(sendEditor_, 1);

    auto* actions = new QHBoxLayout;
    auto* values = new TextFieldWidget(part(controls_, &TerminalControls::nonPrintTF));
    values->setPlaceholderText(tr("Values, e.g. 27, 91, 50, 74"));
    values->setMinimumWidth(120);
    actions->addWidget(caption(tr("V&alues"), values));
    actions->addWidget(values, 1);
    actions->addWidget(new ButtonWidget(part(controls_, &TerminalControls::addNonPrint)));
    actions->addSpacing(12);
    for (Button TerminalControls::*button : {&TerminalControls::addLineButton, &TerminalControls::addCRtrnButton,
                                              &TerminalControls::addTabButton, &TerminalControls::addNullButton}) {
        auto* insert = new ButtonWidget(part(controls_, button));
        // Short titles: in a narrow window these may shrink below the style's usual button width.
        insert->setMinimumWidth(insert->fontMetrics().horizontalAdvance(insert->text()) +
                                2 * insert->fontMetrics().averageCharWidth() + 8);
        actions->addWidget(insert);
    }
    actions->addSpacing(12);
    auto* send = new ButtonWidget(part(controls_, &TerminalControls::sendButton));
    send->setDefault(true);
    actions->addWidget(send);
    layout->addLayout(actions);
    return pane;
}

// Keyboard ways to the controls a person reaches for most, acting through the same models.
// The menus' mnemonics (F, E, P, V, H) are kept off the captions of the controls.
void MyDocumentWindow::buildMenus()
{
    fileMenu_ = menuBar()->addMenu(tr("&File"));
    menuBar()->addMenu(new EditMenu(this));

    QMenu* port = portMenu_ = menuBar()->addMenu(tr("&Port"));
    readingItem_ = port->addAction(QString(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), this,
                                   [this] { controls_->readToggle.userSelectSegment(document_->isReading() ? 0 : 1); });
    port->addAction(tr("Look for &Devices Again"), QKeySequence(Qt::Key_F5), this,
                    [this] { controls_->refreshButton.sendAction(); });
    port->addAction(tr("Open &Network Port\u2026"), this, [this] {
        if (const auto address = NetworkPortDialog::ask(this)) {
            document_->userActed();
            document_->openNetworkPort(*address);
            showState();
        }
    });
    buildCaptureItems(port);
    // The item says what choosing it will do.
    const auto showReading = [this](int segment) {
        readingItem_->setText(segment == 1 ? tr("Stop &Reading") : tr("Start &Reading"));
    };
    connect(readSegments_, &SegmentedControlWidget::selectionChanged, this, showReading);
    showReading(controls_->readToggle.selectedSegment());

    QMenu* view = viewMenu_ = menuBar()->addMenu(tr("&View"));
    auto* views = new QActionGroup(this);
    const char* names[] = {QT_TR_NOOP("&Text"), QT_TR_NOOP("&Mixed"), QT_TR_NOOP("&Decimal"), QT_TR_NOOP("&Hexadecimal")};
    for (int mode = 0; mode < 4; ++mode) {
        QAction* item = view->addAction(tr(names[mode]), QKeySequence(Qt::CTRL | (Qt::Key_1 + mode)), this,
                                        [this, mode] { controls_->viewFilter.userSelectSegment(mode); });
        item->setCheckable(true);
        views->addAction(item);
    }
    const auto showView = [views](int segment) {
        for (QAction* item : views->actions())
            item->setChecked(views->actions().indexOf(item) == segment);
    };
    connect(viewSegments_, &SegmentedControlWidget::selectionChanged, this, showView);
    // The view mode is no state of the document's that its observer hears of.
    connect(viewSegments_, &SegmentedControlWidget::selectionChanged, this, [this] { showState(); });
    showView(controls_->viewFilter.selectedSegment());
    view->addSeparator();
    // The same bytes read as other characters: a choice of how to read them, not of what they are.
    QMenu* encodings = view->addMenu(tr("Text &Encoding"));
    auto* encodingGroup = new QActionGroup(this);
    const std::pair<TextEncoding, const char*> encodingNames[] = {
        {TextEncodingLatin1, QT_TR_NOOP("&Latin-1 (one character per byte)")}, {TextEncodingUtf8, QT_TR_NOOP("&UTF-8")}};
    for (const auto& [encoding, name] : encodingNames) {
        QAction* item = encodings->addAction(tr(name), this, [this, encoding] {
            document_->userActed();
            document_->setTextEncoding(encoding);
            showState();
        });
        item->setCheckable(true);
        item->setChecked(encoding == TextEncodingLatin1);
        encodingGroup->addAction(item);
        // The encoding may be set from elsewhere too (the command line).
        whenStateChanges([this, item, encoding] { item->setChecked(document_->getTextEncoding() == encoding); });
    }
    view->addSeparator();
    // Received lines read as lines in the views of byte values too; only the layout changes.
    QAction* lineFeeds = view->addAction(tr("&Break Lines After Line Feeds"));
    lineFeeds->setCheckable(true);
    const auto breakAfterLineFeeds = [this](bool on) {
        std::vector<std::u16string> escapes;
        if (on) {
            for (const int mode : {ViewTypeDecimal, ViewTypeHex})
                escapes.push_back(filterString(u"\n", mode).string());
        }
        receiveView_->setEscapesEndingLine(std::move(escapes));
    };
    connect(lineFeeds, &QAction::toggled, this, breakAfterLineFeeds);
    lineFeeds->setChecked(true);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    QAction* about = help->addAction(tr("&About Serial Terminal"), this, &MyDocumentWindow::showAbout);
    about->setMenuRole(QAction::AboutRole);
}

void MyDocumentWindow::showAbout()
{
    QMessageBox::about(this, tr("About Serial Terminal"),
                       tr("<h3>Serial Terminal %1</h3>"
                          "<p>A terminal for serial ports: it shows what a device sends as text or as "
                          "byte values, and sends what you compose, any byte 0-255 included.</p>"
                          "<p>Running on Qt %2.</p><p>MIT License</p>")
                           .arg(QStringLiteral(SERIALTERM_VERSION), QString::fromLatin1(qVersion())));
}

void MyDocumentWindow::showState()
{
    setWindowTitle(showCapture(QString::fromStdString(document_->windowTitle())));
    portState_->setText(QString::fromStdString(document_->portState()));
    if (lines_)
        lines_->show();
    QString status = QString::fromStdString(document_->statusText());
    if (receiveView_->model().isHeld()) {
        // The document's news first: it may be a failure the user must see.
        const QString held = tr("Paused at your position: scroll to the end (%1) to follow new data")
                                 .arg(QKeySequence(QKeySequence::MoveToEndOfDocument).toString(QKeySequence::NativeText));
        status = status.isEmpty() ? held : status + QStringLiteral("  ") + held;
    }
    status_->setMessage(status);
    for (const std::function<void()>& hook : stateHooks_)
        hook();
}

void MyDocumentWindow::closeEvent(QCloseEvent* event)
{
    document_->close();
    event->accept();
}
