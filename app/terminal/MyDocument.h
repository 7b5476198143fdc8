// The terminal behind one window: the window's one object, with the names the window has
// always used. The work is its collaborators': the connection to the device, the settings
// pop-ups, the modem lines, the transmit composer, the receive view's presenter, the captures
// and the byte counts. Toolkit-neutral: it talks to control models only, so it runs in tests.
#pragma once

#include "app/capture/Captures.h"
#include "app/connection/LineControl.h"
#include "app/connection/PortConnection.h"
#include "app/stream/ReceivedStream.h"
#include "app/terminal/DocumentError.h"
#include "app/terminal/ReceivePresenter.h"
#include "app/terminal/Sender.h"
#include "app/terminal/SettingsPopUps.h"
#include "app/terminal/TickScheduler.h"
#include "app/terminal/TrafficMeter.h"
#include "app/terminal/TerminalControls.h"
#include "app/transmit/TransmitComposer.h"
#include "toolkit/TextViewDelegate.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class MyDocument : public TextViewDelegate {
public:
    // Prints "INIT" and starts the read timer ("Started Timer"). The controls are its outlets,
    // the list its devices (the process's shared one by default); both must outlive it.
    explicit MyDocument(TerminalControls& outlets);
    MyDocument(TerminalControls& outlets, DeviceList& devices);
    MyDocument(const MyDocument&) = delete;
    MyDocument& operator=(const MyDocument&) = delete;
    ~MyDocument() override;
    TerminalControls& controls;

    void awakeFromNib(); // start-up, once the outlets are connected
    void setTheBaudRateList() { popUps_.setTheBaudRateList(); }
    void setPacketList() { popUps_.setPacketList(); }
    void setFlowList() { popUps_.setFlowList(); }
    // Reading and the receive view.
    void update();
    void readToggleClicked(SegmentedControl& sender);
    void enableReading() { connection_.enableReading(); }
    void disableReading() { connection_.disableReading(); }
    Device* getEnabledDevice() { return connection_.enabledDevice(); }
    void refreshDeviceList() { connection_.rescan(); }
    void refreshClicked(Control& sender);
    // Appends count received bytes (none for null data) and redraws the receive view.
    void updateRecieveTF(const char* data, std::size_t count);
    void set_RecieveTF(AttributedText text);
    void clearRecv(Control& sender);
    // Device and port settings.
    void setDevice(PopUpButton& sender) { popUps_.setDevice(sender); }
    void setBaudRate(PopUpButton& sender) { popUps_.setBaudRate(sender); }
    void setPacketType(PopUpButton& sender) { popUps_.setPacketType(sender); }
    void setFlowControl(PopUpButton& sender) { popUps_.setFlowControl(sender); }
    void setBaudPU(const std::string& title) { popUps_.setBaudPU(title); }
    void set_PacketPU(const std::string& title) { popUps_.set_PacketPU(title); }
    void set_FlowPU(const std::string& title) { popUps_.set_FlowPU(title); }
    static constexpr int lowestRate = SettingsPopUps::lowestRate;
    static constexpr int highestRate = SettingsPopUps::highestRate;
    void chooseBaudRate(int rate) { popUps_.chooseBaudRate(rate); }
    void chooseCharacterFormat(const CharacterFormat& format) { popUps_.chooseCharacterFormat(format); }
    bool openNetworkPort(const std::string& address, const PortSettings& settings = {}) { return connection_.openNetworkPort(address, settings); }
    Device* findDevice(const std::string& name) { return connection_.find(name); }
    DeviceList& devices() { return connection_.devices(); }
    // The settings the window works with, and its device's name ("" for none).
    std::optional<PortSettings> portSettings() { return connection_.settings(); }
    std::string deviceName();
    // The modem lines: DTR, RTS, break and pulse, and the lines as last read.
    LineControl& lines() { return lines_; }
    SerialController& serialController() { return connection_.serial(); }
    // The transmit editor, the view mode and the text encoding.
    void set_SendTF(const AttributedText& text) { controls.sendTF.setAttributedString(text); }
    void viewFilterClicked(SegmentedControl& sender);
    void updateSendTF() { composer_.edited(); }
    void textDidChange(TextView& sender) override;
    bool shouldChangeText(TextView& sender, TextRange range, std::u16string_view text) override;
    void addNonPrintable(std::string_view values);
    void addNonPrintableClicked(Control& sender);
    void addNewLine(Control&) { addNonPrintable("10"); }
    void addCarRtrn(Control&) { addNonPrintable("13"); }
    void addTab(Control&) { addNonPrintable("9"); }
    void addNull(Control&) { addNonPrintable("0"); }
    void clearSend(Control&) { composer_.clear(); }
    void sendClicked(Control& sender);
    void decodeAndSend();
    // Bytes to the port as they stand (a console's keys): "" when they went or were queued,
    // else why not, which the status bar shows too.
    std::string sendRaw(std::string_view bytes);
    bool canUndo(const TextView& sender) const override { return isEditor(sender) && composer_.canUndo(); }
    bool canRedo(const TextView& sender) const override { return isEditor(sender) && composer_.canRedo(); }
    void undo(TextView& sender) override;
    void redo(TextView& sender) override;
    void breakUndoCoalescing(TextView& sender) override;
    void setTextEncoding(TextEncoding encoding);
    TextEncoding getTextEncoding() const { return textEncoding_; }
    // Document-type operations: there are no file contents, so saving fails.
    std::string windowNibName() const { return "MyDocument"; }
    void windowControllerDidLoadNib() {}
    std::optional<std::vector<std::uint8_t>> dataOfType(const std::string& typeName, DocumentError* error) const;
    bool readFromData(const std::vector<std::uint8_t>& data, const std::string& typeName, DocumentError* error);
    void close(); // the window goes; its port closes unless another window reads it

    // What the window shows beside the controls.
    bool isReading() const { return connection_.isReading(); }
    int getViewType() const { return viewType; }
    std::string windowTitle(); // "ttyUSB0 - 115200 none-8-1 None", or "No device"
    std::string waitingFor() const;
    std::string portState(); // "Port open", "Port open, reading" or "Port closed"
    const std::string& statusText() const { return status_; }
    void tellUser(const std::string& text) { setStatus(text); } // news from the window itself
    // Told after what the title, port state or status show changed; the traffic one when only
    // the byte counts did (without one, the state observer).
    void setStateObserver(std::function<void()> observer) { stateObserver_ = std::move(observer); }
    void setTrafficObserver(std::function<void()> observer) { trafficObserver_ = std::move(observer); }
    // "" when it started, or the system's reason why not.
    std::string startCapture(const std::string& path, Capture::Format format);
    void stopCapture() { captures_.stop(); }
    const Capture* capture() const { return captures_.current(); }
    std::string captureState() const { return captures_.state(); }
    std::string trafficState(); // "Rx N B  Tx N B", or "" without a port
    std::string saveReceived(const std::string& path); // the receive buffer; "" or why not
    // Everything the device delivers, for whatever else shows or keeps it.
    ReceivedStream& stream() { return stream_; }
    // Line ending, history, macros, pacing, repeats, files and transfers; Send goes through it.
    Sender& sender() { return sender_; }
    // The window sleeps after idle ticks; its device's news and the user's acts wake it.
    static constexpr int idleTicksBeforeSleep = TickScheduler::idleTicksBeforeSleep;
    bool isAsleep() const { return ticks_.isAsleep(); }
    void userActed() { ticks_.wake(); }

private:
    bool isEditor(const TextView& view) const { return &view == &controls.sendTF; }
    void setStatus(const std::string& text);
    void stateChanged();
    void deviceNews(bool data);
    void showDevices();
    void showReceived();
    void showTraffic();
    TransmitComposer::Rendering rendering() const { return {viewType, textEncoding_}; }

    int viewType = 0;
    TextEncoding textEncoding_ = TextEncodingLatin1;
    std::string status_;
    std::function<void()> stateObserver_;
    std::function<void()> trafficObserver_;
    TickScheduler ticks_;
    ReceivedStream stream_;
    Captures captures_;
    PortConnection connection_;
    SettingsPopUps popUps_;
    LineControl lines_;
    TransmitComposer composer_;
    ReceivePresenter presenter_;
    TrafficMeter traffic_;
    Sender sender_;
};
