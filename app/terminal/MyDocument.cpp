#include "app/terminal/MyDocument.h"

#include "app/connection/SettingTitles.h"
#include "app/terminal/TerminalControls.h"
#include "app/terminal/saveBytes.h"
#include "app/text/ViewType.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "serial/SerialController.h"
#include "toolkit/Clock.h"
#include "toolkit/Log.h"
#include "toolkit/printableText.h"

#include <filesystem>

MyDocument::MyDocument(TerminalControls& outlets) : MyDocument(outlets, DeviceList::sharedDeviceList()) {}

MyDocument::MyDocument(TerminalControls& outlets, DeviceList& devices)
    : controls(outlets), ticks_([this] { update(); }),
      captures_({[this](const std::string& text) { setStatus(text); },
                 [this] {
                     ticks_.wake();
                     stateChanged();
                 }}),
      connection_(devices, stream_,
                  {[this](const std::string& text) { setStatus(text); }, [this] { showDevices(); },
                   [this](bool on) { controls.readToggle.setSelectedSegment(on ? 1 : 0); },
                   [this] { stateChanged(); },
                   [this] {
                       set_RecieveTF(AttributedText());
                       presenter_.forget(); // the next tick shows the new device's buffer
                   },
                   [this](Device&) { showReceived(); }, [this](bool data) { deviceNews(data); }}),
      popUps_(controls, connection_, [this](const std::string& text) { setStatus(text); }),
      lines_(connection_, [this](const std::string& text) { setStatus(text); }, [this] { stateChanged(); }),
      composer_(controls.sendTF, [this] { return rendering(); }, [this](const std::string& text) { setStatus(text); }),
      presenter_(controls.recieveTF),
      sender_({[this] { return getEnabledDevice(); }, [this] { return deviceName(); },
               [this](std::string_view bytes) { return connection_.send(bytes); },
               [this](bool log) { return composer_.bytes(log); },
               [this](std::string_view bytes) { composer_.show(bytes); },
               [this](const std::string& text) { setStatus(text); },
               [this](const std::string& text) { stream_.announce({PortEvent::Kind::Note, {}, {}, {}, 0, text, Clock::now()}); },
               [this] { ticks_.wake(); stateChanged(); }})
{
    logLine("INIT");
    stream_.add(captures_);
    if (ticks_.isTicking())
        logLine("Started Timer");
}

MyDocument::~MyDocument()
{
    close();
    stream_.remove(captures_);
    for (TextView* view : {&controls.sendTF, &controls.recieveTF}) {
        if (view->delegate() == this)
            view->setDelegate(nullptr);
    }
}

void MyDocument::awakeFromNib()
{
    logLine("SETUP");
    controls.devicePU.setPlaceholder("No serial device found");
    connection_.start();
    setTheBaudRateList();
    setPacketList();
    setFlowList();

    controls.sendTF.setDelegate(this);
    composer_.adopt();
    controls.recieveTF.setDelegate(this);
    controls.recieveTF.setEditable(false);

    controls.setTransmitToolTips();
    stateChanged();
}

void MyDocument::update()
{
    ticks_.wake(); // ticked while asleep: someone wants it awake
    const Moment now = Clock::now();
    captures_.reap(false);
    if (captures_.isWritingOut())
        ticks_.busy(); // the outcome is news the user must get
    // Another window may have changed or reopened the shared device.
    if (connection_.deviceChanged())
        stateChanged();
    const PortConnection::Tick tick = connection_.tick();
    // Only once what waited in the port is read and handed on: a line is idle when nothing
    // arrived by now, not when nothing was read since the last tick.
    stream_.idle(now);
    switch (tick) {
    case PortConnection::Tick::NotReading:
        ticks_.idle();
        showTraffic();
        return;
    case PortConnection::Tick::Stopped:
        return;
    case PortConnection::Tick::Reading:
        break;
    }
    const Device* device = getEnabledDevice();
    // Data that came keeps the ticks going; showing another device's buffer is no activity.
    const bool arrived = presenter_.hasNewBytes(device);
    if (presenter_.isStale(device))
        showReceived();
    if (arrived || connection_.portBusy())
        ticks_.busy();
    else
        ticks_.idle();
    showTraffic();
}

void MyDocument::deviceNews(bool data)
{
    if (connection_.isClosed())
        return;
    const auto interval = std::chrono::duration<double>(TickScheduler::interval);
    const bool wasIdle = !ticks_.isTicking() || Clock::now().steady - presenter_.shownAt().steady >= interval;
    ticks_.wake();
    // The first bytes after a quiet spell show at once; a stream shows on the ticks.
    if (data && wasIdle && isReading() && getEnabledDevice())
        showReceived();
}

void MyDocument::showDevices()
{
    controls.devicePU.removeAllItems();
    for (const std::string& name : connection_.devices().scannedNames())
        controls.devicePU.addItemWithTitle(name);
    for (const std::string& name : connection_.networkPortNames())
        controls.devicePU.addItemWithTitle(name);
}

void MyDocument::showReceived()
{
    presenter_.show(getEnabledDevice(), viewType, textEncoding_);
}

void MyDocument::readToggleClicked(SegmentedControl& sender)
{
    if (sender.selectedSegment() == 1)
        enableReading();
    else
        connection_.toggledOff();
    logLine("INTERFACE: TOGGLED read");
}

void MyDocument::refreshClicked(Control&)
{
    refreshDeviceList();
    logLinef("INTERFACE: REFRESH button clicked, %d in array", connection_.devices().getNumDevices());
}

void MyDocument::updateRecieveTF(const char* data, std::size_t count)
{
    Device* device = getEnabledDevice();
    if (data && device)
        device->appendRecvBuf(data, count);
    showReceived();
}

void MyDocument::set_RecieveTF(AttributedText text)
{
    controls.recieveTF.setAttributedString(std::move(text));
    controls.recieveTF.scrollRangeToVisible(TextRange{controls.recieveTF.length(), 0});
}

void MyDocument::clearRecv(Control&)
{
    if (Device* device = getEnabledDevice())
        device->clearRecvBuffer();
    connection_.forgetReceived();
    controls.recieveTF.setAttributedString(AttributedText());
    presenter_.forget();
}

std::string MyDocument::deviceName()
{
    if (const Device* device = getEnabledDevice())
        return device->getAddr();
    return waitingFor();
}

void MyDocument::textDidChange(TextView& sender)
{
    if (!isEditor(sender))
        return;
    composer_.edited();
    controls.sendTF.setTypingAttributes(nullptr);
}

bool MyDocument::shouldChangeText(TextView& sender, TextRange range, std::u16string_view text)
{
    return !isEditor(sender) || composer_.accepts(range, text);
}

void MyDocument::addNonPrintable(std::string_view values)
{
    composer_.appendValues(values, 10);
}

void MyDocument::addNonPrintableClicked(Control&)
{
    // In the hex view a bare number is hex, as a hex editor's bytes are typed.
    const std::vector<std::string> skipped =
        composer_.appendValues(controls.nonPrintTF.stringValue(), viewType == ViewTypeHex ? 16 : 10);
    // The text stays for the user to mend, and every piece that gave no byte is named.
    if (skipped.empty()) {
        controls.nonPrintTF.setStringValue("");
        return;
    }
    std::string reasons;
    for (const std::string& reason : skipped)
        reasons += (reasons.empty() ? "" : "; ") + reason;
    setStatus(reasons + ": nothing was added.");
}

void MyDocument::viewFilterClicked(SegmentedControl& sender)
{
    const TransmitComposer::Rendering before = rendering();
    viewType = sender.selectedSegment();
    captures_.setRendering(viewType, textEncoding_);
    updateRecieveTF(nullptr, 0);
    composer_.rerender(before);
    logLinef("INTERFACE: FILTER: %d clicked", sender.selectedSegment());
}

void MyDocument::setTextEncoding(TextEncoding encoding)
{
    const TransmitComposer::Rendering before = rendering();
    textEncoding_ = encoding;
    captures_.setRendering(viewType, textEncoding_);
    // The same bytes may read as other characters now: nothing of the receive view is kept.
    presenter_.forget();
    updateRecieveTF(nullptr, 0);
    composer_.rerender(before);
    // The advice has been taken, or no longer applies.
    if (status_.ends_with(TransmitComposer::refusalEnd))
        setStatus("");
}

void MyDocument::sendClicked(Control&)
{
    decodeAndSend();
    logLine("INTERFACE: SEND button clicked");
}

void MyDocument::decodeAndSend()
{
    if (!getEnabledDevice()) {
        setStatus(connection_.send({})); // says why nothing can go
        return;
    }
    const std::optional<std::string> bytes = composer_.bytes();
    if (!bytes)
        return;
    const std::string failure = sender_.send(*bytes);
    if (failure.empty())
        composer_.sent();
    setStatus(failure);
}

std::string MyDocument::sendRaw(std::string_view bytes)
{
    userActed();
    std::string failure = connection_.send(bytes);
    if (!failure.empty())
        setStatus(failure);
    return failure;
}

void MyDocument::undo(TextView& sender)
{
    if (isEditor(sender))
        composer_.undo();
}

void MyDocument::redo(TextView& sender)
{
    if (isEditor(sender))
        composer_.redo();
}

void MyDocument::breakUndoCoalescing(TextView& sender)
{
    if (isEditor(sender))
        composer_.breakCoalescing();
}

std::optional<std::vector<std::uint8_t>> MyDocument::dataOfType(const std::string&, DocumentError* error) const
{
    if (error)
        *error = DocumentError{NSOSStatusErrorDomain, -4};
    return std::nullopt;
}

bool MyDocument::readFromData(const std::vector<std::uint8_t>&, const std::string&, DocumentError* error)
{
    if (error)
        *error = DocumentError{NSOSStatusErrorDomain, -4};
    return true;
}

void MyDocument::close()
{
    if (connection_.isClosed())
        return;
    captures_.close();
    ticks_.stop();
    lines_.endAll(); // a break or DTR pulse under way ends while the port is still open
    connection_.close();
}

std::string MyDocument::waitingFor() const
{
    return connection_.wait().isWaiting() ? connection_.wait().wanted().name : std::string();
}

std::string MyDocument::windowTitle()
{
    if (connection_.wait().isWaiting())
        return printableText(connection_.wait().title()) + " - " + SettingTitles::of(connection_.wait().wanted().settings);
    const Device* device = getEnabledDevice();
    return device ? printableText(device->getAddr()) + " - " + SettingTitles::of(device->getSettings()) : "No device";
}

std::string MyDocument::portState()
{
    const Device* device = getEnabledDevice();
    if (connection_.isConnecting())
        return "Connecting\u2026";
    if (!device || device->getPortHandle() == -1)
        return "Port closed";
    return isReading() ? "Port open, reading" : "Port open";
}

void MyDocument::setStatus(const std::string& text)
{
    status_ = printableText(text); // it quotes device names, which may hold anything
    stateChanged();
}

void MyDocument::stateChanged()
{
    connection_.follow();
    // The pop-ups follow the record, whoever changed or replaced it.
    popUps_.show();
    lines_.follow();
    if (stateObserver_)
        stateObserver_();
}

std::string MyDocument::startCapture(const std::string& path, Capture::Format format)
{
    connection_.follow(); // the capture starts on the port as it is now
    return captures_.start(path, format, stream_.portOpen());
}

std::string MyDocument::trafficState()
{
    const Device* device = getEnabledDevice();
    if (!device || device->getPortHandle() == -1)
        return "";
    return "Rx " + std::to_string(device->getReceivedSinceOpen()) + " B  Tx " +
           std::to_string(device->getSentSinceOpen()) + " B";
}

void MyDocument::showTraffic()
{
    const Device* device = getEnabledDevice();
    const bool open = device && device->getPortHandle() != -1;
    const TrafficMeter::Counts counts{open ? device->getReceivedSinceOpen() : 0, open ? device->getSentSinceOpen() : 0,
                                      captures_.bytesCaptured()};
    switch (traffic_.look(counts, static_cast<bool>(trafficObserver_), Clock::now())) {
    case TrafficMeter::Verdict::Same:
        return;
    case TrafficMeter::Verdict::Wait:
        ticks_.busy(); // the ticks go on until the last count is shown
        return;
    case TrafficMeter::Verdict::Show:
        if (trafficObserver_)
            trafficObserver_();
        else if (stateObserver_)
            stateObserver_();
    }
}

std::string MyDocument::saveReceived(const std::string& path)
{
    const Device* device = getEnabledDevice();
    const std::string bytes = device ? device->getRecvBuf() : std::string();
    const std::string failure = saveBytes(path, bytes);
    setStatus(!failure.empty() ? "Cannot save to " + path + ": " + failure + "."
                               : "Saved " + std::to_string(bytes.size()) + " received bytes to " +
                                     std::filesystem::path(path).filename().string() + ".");
    return failure;
}
