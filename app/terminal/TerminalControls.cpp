#include "app/terminal/TerminalControls.h"

#include "app/terminal/MyDocument.h"

namespace {

// Binds a control's action to a document operation taking the control's own type (or any
// Control). The document hears of the user's action first, so its ticks see what it changes.
template <typename Sender, typename Argument>
void bind(Sender& control, MyDocument& document, void (MyDocument::*action)(Argument&))
{
    control.setAction([&document, action](Control& sender) {
        document.userActed();
        (document.*action)(static_cast<Argument&>(sender));
    });
}

void describe(Button& button, const char* title, const char* keys = "")
{
    button.setTitle(title);
    button.setKeyEquivalent(keys);
}

} // namespace

TerminalControls::TerminalControls()
{
    readToggle.setLabels({"Off", "On"});
    readToggle.setSelectedSegment(0);
    viewFilter.setLabels({"Text", "Mixed", "Dec", "Hex"});
    viewFilter.setSelectedSegment(0);
    recieveTF.setEditable(false);

    describe(sendButton, "Send", "Ctrl+Return");
    describe(addNonPrint, "Add Value", "Ctrl+Shift+Return");
    describe(addLineButton, "LF", "Ctrl+L");
    describe(addCRtrnButton, "CR", "Ctrl+R");
    describe(addTabButton, "Tab", "Ctrl+T");
    describe(addNullButton, "Null", "Ctrl+N");
    describe(clrRecvButton, "Clear");
    describe(clrSendButton, "Clear");
    describe(refreshButton, "Refresh");

    // The document gives the transmit and receive controls their tooltips; these are the
    // settings it leaves alone. Keys are written as on a Mac; the window shows them natively.
    devicePU.setToolTip("Serial device to use");
    refreshButton.setToolTip("Look for serial devices again   F5");
    baudRatePU.setToolTip("Speed of the line, in bits per second");
    packetPU.setToolTip("Parity, data bits and stop bits");
    flowPU.setToolTip("How each end tells the other to pause");
    readToggle.setToolTip("Read from the device, or close it   \u2318\u21E7R");
    viewFilter.setToolTip("Show received bytes as text, text with escapes, decimal or hexadecimal   \u23181 to \u23184");
}

void TerminalControls::setTransmitToolTips()
{
    // In the order the window has always set them.
    TerminalControls& c = *this;
    const std::pair<Control*, const char*> tooltips[] = {
        {&c.sendButton, "Send Data (Tx)   \u2318\u21B5"},
        {&c.sendTF, "Insert data to be sent (Tx) here"},
        {&c.recieveTF, "Recieved data (Rx) text box"},
        {&c.addNonPrint, "Add a non-printable value   \u2318\u21E7\u21B5"},
        {&c.nonPrintTF, "Insert a non-printable value"},
        {&c.addLineButton, "Add 'Line Feed' character   \u2318L"},
        {&c.addTabButton, "Add 'Tab' character   \u2318T"},
        {&c.addNullButton, "Add 'Null' character   \u2318N"},
        {&c.addCRtrnButton, "Add 'Carriage return' character   \u2318R"},
        {&c.clrRecvButton, "Clear recieve buffer"},
        {&c.clrSendButton, "Clear send buffer"},
    };
    for (const auto& [control, text] : tooltips)
        control->setToolTip(text);
}

void TerminalControls::connect(MyDocument& document)
{
    bind(devicePU, document, &MyDocument::setDevice);
    bind(baudRatePU, document, &MyDocument::setBaudRate);
    bind(packetPU, document, &MyDocument::setPacketType);
    bind(flowPU, document, &MyDocument::setFlowControl);
    bind(readToggle, document, &MyDocument::readToggleClicked);
    bind(viewFilter, document, &MyDocument::viewFilterClicked);
    bind(sendButton, document, &MyDocument::sendClicked);
    bind(addNonPrint, document, &MyDocument::addNonPrintableClicked);
    bind(addLineButton, document, &MyDocument::addNewLine);
    bind(addCRtrnButton, document, &MyDocument::addCarRtrn);
    bind(addTabButton, document, &MyDocument::addTab);
    bind(addNullButton, document, &MyDocument::addNull);
    bind(clrRecvButton, document, &MyDocument::clearRecv);
    bind(clrSendButton, document, &MyDocument::clearSend);
    bind(refreshButton, document, &MyDocument::refreshClicked);

    document.awakeFromNib();
}

void TerminalControls::disconnect()
{
    for (Control* control : std::initializer_list<Control*>{
             &devicePU, &baudRatePU, &packetPU, &flowPU, &readToggle, &viewFilter, &sendButton, &addNonPrint,
             &addLineButton, &addCRtrnButton, &addTabButton, &addNullButton, &clrRecvButton, &clrSendButton,
             &refreshButton})
        control->setAction(nullptr);
    recieveTF.setDelegate(nullptr);
    sendTF.setDelegate(nullptr);
}
