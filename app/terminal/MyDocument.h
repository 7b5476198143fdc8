// The terminal behind one window. It is the window's one object, with the names the window
// has always used; the work is done by its collaborators: the connection to the device, the
// modem lines, the transmit composer, the receive view's presenter, the captures and the
// byte counts. Toolkit-neutral: it talks to control models only, so it runs headless in tests.
#pragma once

#include "app/capture/Captures.h"
#include "app/connection/LineControl.h"
#include "app/connection/PortConnection.h"
#include "app/stream/ReceivedStream.h"
#include "app/terminal/DocumentError.h"
#include "app/terminal/ReceivePresenter.h"
#include "app/terminal/SettingsPopUps.h"
#include "app/terminal/TickScheduler.h"
#include "app/terminal/TrafficMeter.h"
#include "app/transmit/TransmitComposer.h"
#include "toolkit/TextViewDelegate.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class AttributedText;
struct CharacterFormat;
class Control;
class Device;
class DeviceList;
class PopUpButton;
class SegmentedControl;
struct TerminalControls;

class MyDocument : public TextViewDelegate {
public:
    // Prints "INIT", builds the tables and starts the read timer ("Started Timer"). The
    // controls are its outlets and the list its devices; both must outlive it.
    explicit MyDocument(TerminalControls& outlets);
    MyDocument(TerminalControls& outlets, DeviceList& devices);
    MyDocument(const MyDocument&) = delete;
    MyDocument& operator=(const MyDocument&) = delete;
    ~MyDocument() override;
    TerminalControls& controls;

    // Start-up, once the outlets are connected.
    void awakeFromNib();
    void setTheBaudRateList();
    void setPacketList();
    void setFlowList();
    // Reading.
    void update();
    void readToggleClicked(SegmentedControl& sender);
    void enableReading() { connection_.enableReading(); }
    void disableReading() { connection_.disableReading(); }
    Device* getEnabledDevice() { return connection_.enabledDevice(); }
    void refreshDeviceList() { connection_.rescan(); }
    void refreshClicked(Control& sender);
    // Appends count received bytes (none when data is null) and redraws the receive view.
    void updateRecieveTF(const char* data, std::size_t count);
    void set_RecieveTF(AttributedText text);
    void clearRecv(Control& sender);
    // Device and port settings: any rate and character format, stored in the record.
    void setDevice(PopUpButton& sender);
    void setBaudRate(PopUpButton& sender);
    void setPacketType(PopUpButton& sender);
    void setFlowControl(PopUpButton& sender);
    void setBaudPU(const std::string& title);
    void set_PacketPU(const std::string& title);
    void set_FlowPU(const std::string& title);
    static constexpr int lowestRate = SettingsPopUps::lowestRate;
    static constexpr int highestRate = SettingsPopUps::highestRate;
    void chooseBaudRate(int rate);
    void chooseCharacterFormat(const CharacterFormat& format);
    // The settings the window works with, and its device's name ("" for none).
    std::optional<PortSettings> portSettings() { return connection_.settings(); }
    std::string deviceName();
    // Modem lines.
    using LineState = LineControl::LineState;
    static constexpr double breakSeconds = LineControl::breakSeconds;
    static constexpr double pulseSeconds = LineControl::pulseSeconds;
    LineState lineState() { return lines_.read(); }
    const LineState& shownLines() const { return lines_.shown(); }
    bool pollModemLines() { return lines_.poll(); }
    void setDtr(bool on) { lines_.setDtr(on); }
    void setRts(bool on) { lines_.setRts(on); }
    void sendBreak() { lines_.sendBreak(); }
    void pulseDtr() { lines_.pulseDtr(); }
    SerialController& serialController() { return connection_.serial(); }
    // Transmit editor and view mode.
    void set_SendTF(const AttributedText& text);
    void viewFilterClicked(SegmentedControl& sender);
    void updateSendTF() { composer_.edited(); }
    void textDidChange(TextView& sender) override;
    bool shouldChangeText(TextView& sender, TextRange range, std::u16string_view text) override;
    void addNonPrintable(std::string_view values);
    void addNonPrintableClicked(Control& sender);
    void addNewLine(Control& sender);
    void addCarRtrn(Control& sender);
    void addTab(Control& sender);
    void addNull(Control& sender);
    void clearSend(Control& sender);
    void sendClicked(Control& sender);
    void decodeAndSend();
    bool canUndo(const TextView& sender) const override;
    bool canRedo(const TextView& sender) const override;
    void undo(TextView& sender) override;
    void redo(TextView& sender) override;
    void breakUndoCoalescing(TextView& sender) override;
    // The same bytes read anew in the views; what the editor will send does not change.
    void setTextEncoding(TextEncoding encoding);
    TextEncoding getTextEncoding() const { return textEncoding_; }
    // Document-type operations: there are no file contents, so saving fails.
    std::string windowNibName() const { return "MyDocument"; }
    void windowControllerDidLoadNib() {}
    std::optional<std::vector<std::uint8_t>> dataOfType(const std::string& typeName, DocumentError* error) const;
    bool readFromData(const std::vector<std::uint8_t>& data, const std::string& typeName, DocumentError* error);
    // The window is closing: stop ticking, and close the port unless another window reads it.
    void close();

    // What the window shows beside the controls.
    bool isReading() const { return connection_.isReading(); }
    int getViewType() const { return viewType; }
    std::string windowTitle();    // "ttyUSB0 - 115200 none-8-1 None", or "No device"
    std::string waitingFor() const;
    std::string portState();      // "Port open" or "Port closed"
    const std::string& statusText() const { return status_; }
    // Called after anything the title, port state or status may show has changed; the traffic
    // observer when only the byte counts changed (without one, the state observer).
    void setStateObserver(std::function<void()> observer) { stateObserver_ = std::move(observer); }
    void setTrafficObserver(std::function<void()> observer) { trafficObserver_ = std::move(observer); }
    // Capture: answers "" when it started, or the system's reason why not.
    std::string startCapture(const std::string& path, Capture::Format format);
    void stopCapture() { captures_.stop(); }
    const Capture* capture() const { return captures_.current(); }
    std::string captureState() const { return captures_.state(); }
    std::string trafficState();   // "Rx N B  Tx N B", or "" without a port
    // Writes what the receive buffer holds; "" or why it failed.
    std::string saveReceived(const std::string& path);
    // Everything the device delivers, for whatever else shows or keeps it.
    ReceivedStream& stream() { return stream_; }
    // Ticks: the window sleeps after idleTicksBeforeSleep with nothing to do; its device's
    // news and the user's actions (the controls call userActed first) wake it.
    static constexpr int idleTicksBeforeSleep = TickScheduler::idleTicksBeforeSleep;
    bool isAsleep() const { return ticks_.isAsleep(); }
    void userActed() { ticks_.wake(); }

private:
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
};
