// The terminal behind one window: its device choice, port settings, read timer, receive
// view, transmit editor and view mode. Toolkit-neutral: it talks to control models only,
// so the same logic runs under Qt and headless in tests.
#pragma once

#include "app/capture/Capture.h"
#include "app/terminal/DocumentError.h"
#include "app/text/TextEncoding.h"
#include "app/terminal/TickScheduler.h"
#include "serial/SerialController.h"
#include "toolkit/EditHistory.h"
#include "toolkit/TextViewDelegate.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

class AttributedText;
class Button;
struct CharacterFormat;
class Timer;
class Control;
class Device;
class PopUpButton;
class SegmentedControl;
class TextField;
class TextView;
struct TerminalControls;

class MyDocument : public TextViewDelegate {
public:
    // Prints "INIT", builds the tables and starts the read timer ("Started Timer").
    explicit MyDocument(TerminalControls& outlets);
    MyDocument(const MyDocument&) = delete;
    MyDocument& operator=(const MyDocument&) = delete;
    ~MyDocument() override;

    // The window's controls are its outlets, named as the window has always named them; the
    // document does not own them, and they must outlive it.
    TerminalControls& controls;

    // Start-up, once the outlets are connected.
    void awakeFromNib();
    void setTheBaudRateList();
    void setPacketList();
    void setFlowList();

    // Reading.
    void update();
    void readToggleClicked(SegmentedControl& sender);
    void enableReading();
    void disableReading();
    Device* getEnabledDevice();
    // Rescans the shared list; every window's device pop-up follows it, this one's included.
    void refreshDeviceList();
    void refreshClicked(Control& sender);
    // Appends count received bytes (none when data is null) and redraws the receive view.
    void updateRecieveTF(const char* data, std::size_t count);
    void set_RecieveTF(AttributedText text);
    void clearRecv(Control& sender);

    // Device and port settings.
    void setDevice(PopUpButton& sender);
    void setBaudRate(PopUpButton& sender);
    void setPacketType(PopUpButton& sender);
    void setFlowControl(PopUpButton& sender);
    void setBaudPU(const std::string& title);
    void set_PacketPU(const std::string& title);
    void set_FlowPU(const std::string& title);

    // Line control (MyDocumentLines.cpp). Any rate and any character format, stored in the
    // record and taking effect as a pop-up choice does, with the same lines.
    static constexpr int lowestRate = 50;
    static constexpr int highestRate = 4'000'000;
    void chooseBaudRate(int rate);
    void chooseCharacterFormat(const CharacterFormat& format);
    // The modem lines of the window's port, as its menu items and indicators show them.
    struct LineState {
        bool usable = false;       // the port is open and has modem lines
        bool rtsUsable = false;    // ... and RTS is not the driver's (hardware flow control)
        unsigned asserted = 0;     // ModemLines bits: as read from the port, else as the record wants
        std::string why;           // why the controls are disabled; "" while usable
        std::string rtsWhy;        // why RTS alone is disabled
        bool operator==(const LineState&) const = default;
    };
    LineState lineState();
    // DTR and RTS are kept in the record, so a reopen puts them back.
    void setDtr(bool on);
    void setRts(bool on);
    // A break of breakSeconds, and DTR dropped for pulseSeconds, timed on the run loop so
    // the window goes on meanwhile.
    static constexpr double breakSeconds = 0.25;
    static constexpr double pulseSeconds = 0.1;
    void sendBreak();
    void pulseDtr();
    // Reads the lines again; answers true, having told the state observer, when they changed.
    bool pollModemLines();
    // The lines as last read, for drawing without asking the port again (a wedged USB adapter
    // can take seconds to answer). Read anew by a poll, and when the port or its flow changes.
    const LineState& shownLines() const { return shownLines_; }
    SerialController& serialController() { return *serial; }

    // Transmit editor and view mode.
    void set_SendTF(const AttributedText& text);
    void viewFilterClicked(SegmentedControl& sender);
    void updateSendTF();
    void textDidChange(TextView& sender) override;
    void addNonPrintable(std::string_view values);
    void addNonPrintableClicked(Control& sender);
    void addNewLine(Control& sender);
    void addCarRtrn(Control& sender);
    void addTab(Control& sender);
    void addNull(Control& sender);
    void clearSend(Control& sender);
    void sendClicked(Control& sender);
    void decodeAndSend();
    // Undo and redo in the transmit editor. Steps are kept in the characters the editor stands
    // for, not in its rendered text, so they mean the same in every view mode; clearing and
    // sending are steps too, so a message just sent can be brought back and sent again.
    bool canUndo(const TextView& sender) const override;
    bool canRedo(const TextView& sender) const override;
    void undo(TextView& sender) override;
    void redo(TextView& sender) override;
    void breakUndoCoalescing(TextView& sender) override;
    // The window's text encoding: the views show the same bytes anew, and the editor keeps the
    // bytes it stands for, so nothing about what will be sent changes. Latin-1 by default.
    void setTextEncoding(TextEncoding encoding);
    TextEncoding getTextEncoding() const { return textEncoding_; }
    // In Latin-1 the editor refuses a character beyond one byte where it enters, naming it in
    // the status, so it is never sent as anything else.
    bool shouldChangeText(TextView& sender, TextRange range, std::u16string_view text) override;
    // "U+20AC" for the character at `at` of text, a surrogate pair counted as one; length, if
    // asked for, gets the units it takes.
    static std::string characterCode(std::u16string_view text, std::size_t at, std::size_t* length = nullptr);

    // Document-type operations: there are no file contents, so saving fails.
    std::string windowNibName() const { return "MyDocument"; }
    void windowControllerDidLoadNib() {}
    std::optional<std::vector<std::uint8_t>> dataOfType(const std::string& typeName, DocumentError* error) const;
    bool readFromData(const std::vector<std::uint8_t>& data, const std::string& typeName,
                      DocumentError* error);

    // The window is closing: stop ticking, and close the port unless another window reads it.
    void close();

    // What the window shows beside the controls.
    bool isReading() const { return readingEnabled; }
    int getViewType() const { return viewType; }
    // "ttyUSB0 - 115200 none-8-1 None", or "No device".
    std::string windowTitle();
    // The device this window waits for since it went away while being read, "" for none.
    std::string waitingFor() const { return waiting_ ? waiting_->name : std::string(); }
    // "Port open" or "Port closed", for the status bar.
    std::string portState();
    // The latest thing the user should be told: open failures, a device gone, text that
    // cannot be sent. Empty when there is nothing to say.
    const std::string& statusText() const { return status_; }
    // Called after anything the title, port state or status may show has changed.
    void setStateObserver(std::function<void()> observer) { stateObserver_ = std::move(observer); }
    // Called when only the byte counts (trafficState, captureState) changed, as they do at
    // every tick of a stream; without one, the state observer is called.
    void setTrafficObserver(std::function<void()> observer) { trafficObserver_ = std::move(observer); }

    // Capture (MyDocumentCapture.cpp): every byte the window's device delivers goes to a file
    // until stopped, also across the device going away and coming back. Answers "" when it
    // started, or the system's reason why not.
    std::string startCapture(const std::string& path, Capture::Format format);
    // The file is written out, synced and closed on the writer's thread; the ticks tell the
    // outcome once it is done. On closing the window (and so on quitting) it waits for that.
    void stopCapture();
    const Capture* capture() const { return capture_.get(); }
    // "Capturing to NAME: N bytes", "Writing out NAME…", or "" when neither; follows the ticks.
    std::string captureState() const;
    // "Rx N B  Tx N B": the traffic since the device's port was opened, or "" without a port.
    std::string trafficState();
    // Writes what the receive buffer holds, one byte per character; "" or why it failed.
    std::string saveReceived(const std::string& path);

    // After this many ticks without anything to do the window stops ticking; its device's
    // news and the user's actions wake it.
    static constexpr int idleTicksBeforeSleep = TickScheduler::idleTicksBeforeSleep;
    bool isAsleep() const { return ticks_.isAsleep(); }
    // The user is about to act through a control: whatever the action changes, the ticks
    // must see it. The controls call this before every action.
    void userActed() { ticks_.wake(); }

private:
    bool openEnabled(Device& device);
    // This window stops reading device; the last reader closes its port.
    void leaveDevice(Device& device);
    // Shows device's receive buffer in the receive view (an empty view without a device).
    void showReceived(Device* device);
    // Hears what happens to the window's device: data, a close, a failure.
    void listenTo(Device& device);
    void deviceNews(std::string_view bytes);
    void captureNews(const Device& from, std::string_view bytes);
    // Marks the port's comings and goings in the capture, and stops a capture that failed.
    void followCapture();
    // A tick's look at the capture: the port's news, an ended line, a failed writer.
    void tickCapture();
    // Tells the outcome of stopped captures whose files are done; wait: all of them, now.
    void reapCaptures(bool wait);
    void captureFailed();
    // Tells the window when the counters it shows changed; called once per tick.
    void showTraffic(const Device* device);
    bool applySetting(const std::function<void(Device&)>& store);
    void reportOpenFailure(const Device& device, int error);
    void deviceGone(Device& device, int error, const std::string& lostOutput);
    void setStatus(std::string text);
    void stateChanged();
    // Shows decoded in the view mode; answers whether the editor now reads back as decoded
    // (it does not when the mode cannot show some of its characters).
    bool rebuildSendTF(std::u16string decoded, std::size_t caretInDecoded);
    // Shows the editor's characters, read in the mode and encoding it was shown in, in the
    // current ones.
    void showSendTFAnew(int oldType, TextEncoding oldEncoding);
    // Takes what the editor holds as the characters its undo history starts from.
    void adoptSendTF();
    // Makes characters the editor's content, as a step of kind for undo. userEdited: the
    // editor took one user edit since it was last rebuilt.
    void changeSendTF(std::u16string characters, std::size_t caret, EditKind kind, bool userEdited);
    // Puts the editor one step back or forward in its history.
    void stepSendTF(bool back);
    // What the editor's text stands for, printing the lines decode() prints for it.
    std::u16string sendTFCharacters();
    // What the editor stands for since its last rebuild (what it reads back as, in the mode it
    // was rebuilt in), with the revision that rebuild gave it. While the editor still shows
    // that revision, sending takes these characters instead of reading the editor again, and
    // they are the text the undo history's steps apply to.
    struct Rebuilt {
        std::u16string characters;
        std::uint64_t revision;
        int type;
        TextEncoding encoding;
    };
    std::optional<Rebuilt> rebuilt_;
    EditHistory sendHistory_;
    // Every window shares the device list; its own choice is remembered by name.
    Device* findDevice(std::string_view name, int* index);
    struct Settings;
    std::string settingsTitle(const Settings& settings) const;
    std::string packetTitle(int packetFlag) const;
    // "" when the port runs at the rate the record asks for, else what the user must know.
    std::string rateShortfall(const Device& device) const;
    // Asserts or drops DTR or RTS (a ModemLines bit), keeping the wish in the record.
    void setLine(unsigned line, bool on);
    // Ends a break or pulse on the port it began on, if that port is still open.
    void endLineTimer(std::shared_ptr<Timer>& timer, const std::string& name, int fd, bool isBreak);
    bool startLineTimer(std::shared_ptr<Timer>& timer, double seconds, bool isBreak);
    static const std::string& settingTitle(const std::vector<std::string>& titles, int flag);
    // The device, baud, format and flow pop-ups show the record's settings (no device: none).
    void showSettings(const Device* device);

    int enabledDevice = -1;
    bool readingEnabled = false;
    int viewType = 0;
    TextEncoding textEncoding_ = TextEncodingLatin1;
    std::array<int, 13> baudRates{};
    std::vector<std::string> packetTypes;
    std::vector<std::string> flowTypes;
    std::unique_ptr<SerialController> serial;
    TickScheduler ticks_;

    // What the receive view and the window's title show, to tell when they are out of date:
    // other windows share the device and its record.
    struct Shown {
        std::string name;
        std::uint64_t recvCount = 0;
        std::size_t recvSize = 0;
        bool operator==(const Shown&) const = default;
    };
    Shown shownFor(const Device* device) const;
    struct Settings {
        std::string name;
        int baud = 0;
        int packet = 0;
        int flow = 0;
        bool portOpen = false;
        std::string identity;
        bool dtr = true;
        bool rts = true;
        bool operator==(const Settings&) const = default;
    };
    Settings settingsFor(const Device* device) const;

    // Devices that come and go (MyDocumentDevices.cpp).
    // The shared list was rescanned: refill the device pop-up and keep to the window's device.
    void deviceListChanged();
    // The device went away while being read: reading is off, and the name and settings stay
    // until it comes back.
    void startWaiting(const std::string& name);
    // The device waited for is listed again: reopen it with the window's settings. False
    // when it is another adapter under that name now, or it doesn't open (yet).
    bool reconnect(Device& device);
    // The user gave up waiting: the window takes a listed device, as after any rescan.
    void stopWaiting();
    // How the device pop-up shows the device waited for: "cu.x (disconnected)".
    std::string waitingTitle() const;
    // Settings chosen while waiting are kept for the reopen; false when not waiting.
    bool storeWhileWaiting(const std::function<void(Device&)>& store);
    // A device waited for may be listed and still not open for a while (ModemManager probing
    // it, udev not done with its group, a hang-up that left the name): while it is listed it
    // is tried again on a timer, soon at first and then every few seconds.
    void scheduleRetry();
    void cancelRetry();

    std::string enabledName_;       // the device this window works with, "" for none
    bool closed_ = false;
    Shown shownReceive_;
    int shownViewType_ = 0;
    bool receiveShown_ = false;
    std::chrono::steady_clock::time_point lastShown_{}; // when the receive view was last drawn
    Settings shownSettings_;
    Settings kept_;                 // the settings of the window's device when it last had one
    std::optional<Settings> waiting_;
    std::shared_ptr<Timer> retry_;
    // What the window's device had received when it last had news other than data (closed,
    // failed, going away): a reconnect hands it to the record of the returning device.
    struct Received {
        std::string name;
        std::u16string buffer;
        std::uint64_t count = 0;
    };
    Received keptReceived_;
    int retries_ = 0;               // tries since the wait began, for the pace of the next
    bool ownRescan_ = false;        // the rescan is this window's: older news no longer applies
    std::string status_;
    std::function<void()> stateObserver_;
    std::function<void()> trafficObserver_;
    std::shared_ptr<Timer> breakEnd_;
    std::shared_ptr<Timer> pulseEnd_;
    LineState shownLines_;
    // The port the shown lines were read from: name, descriptor, flow and DTR and RTS wishes.
    std::tuple<std::string, int, int, bool, bool> linesRead_{"", -2, 0, false, false};
    std::tuple<std::string, int, int, bool, bool> linesSource();
    // Reads the lines again when the port they belong to is another than when last read.
    void followLines();
    std::unique_ptr<Capture> capture_;
    std::vector<std::unique_ptr<Capture>> finishing_; // stopped, still being written out
    bool capturedPortOpen_ = false;
    std::string capturedPortName_;
    std::array<std::uint64_t, 3> shownTraffic_{}; // received, sent, captured, as last shown
    std::chrono::steady_clock::time_point trafficShownAt_{};
};
