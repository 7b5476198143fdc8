// A terminal window without a screen: a document wired to control models, on a device list
// of the test's whose "cu." entries lead to pseudo-terminals the test plays the far end of.
#pragma once

#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "devices/Device.h"
#include "tests/support/Await.h"
#include "tests/support/DeviceFolder.h"
#include "tests/support/LogCapture.h"
#include "toolkit/RunLoop.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

struct Window {
    TerminalControls controls;
    std::unique_ptr<MyDocument> document;

    explicit Window(DeviceList& devices) : document(std::make_unique<MyDocument>(controls, devices))
    {
        controls.connect(*document);
    }

    void click(Control& control) { control.sendAction(); }
    void choose(PopUpButton& popUp, const std::string& title)
    {
        popUp.selectItemWithTitle(title);
        popUp.sendAction();
    }
    void readOn() { controls.readToggle.userSelectSegment(1); }
    void readOff() { controls.readToggle.userSelectSegment(0); }
    // Works with the named device and reads it, whichever device the window started on.
    void use(const std::string& name)
    {
        choose(controls.devicePU, name);
        readOn();
    }
    void view(int mode) { controls.viewFilter.userSelectSegment(mode); }
    void type(std::u16string_view text) { controls.sendTF.userReplaceCharacters(controls.sendTF.selectedRange(), text); }
    const std::u16string& received() const { return controls.recieveTF.string(); }
    const std::u16string& editor() const { return controls.sendTF.string(); }
    const std::string& status() const { return document->statusText(); }
    Device* device() const { return document->getEnabledDevice(); }
    bool reading() const
    {
        EXPECT_EQ(controls.readToggle.selectedSegment(), document->isReading() ? 1 : 0) << "the toggle shows otherwise";
        return document->isReading();
    }
    std::string shown() const
    {
        return controls.devicePU.titleOfSelectedItem() + " " + controls.baudRatePU.titleOfSelectedItem() + " " +
               controls.packetPU.titleOfSelectedItem() + " " + controls.flowPU.titleOfSelectedItem();
    }
    // What the event loop does for a window: serve the ports that are ready, then tick.
    void tick()
    {
        RunLoop::currentRunLoop().fireReadyWatches();
        document->update();
    }
    // Ticks until the device took `count` more bytes.
    bool receive(std::uint64_t count)
    {
        const std::uint64_t target = device()->getRecvCount() + count;
        return await([&] { return device()->getRecvCount() >= target; }, [&] { tick(); });
    }
};

// Runs the event loop a little: ports served, timers fired when due.
inline void run()
{
    RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(50));
}

// Every byte value, NUL, CR, LF and 0x80-0xFF among them, in an order that shows a lost chunk.
inline std::string pattern(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251 + seed) & 0xFF);
    return bytes;
}

inline std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class DocumentTest : public testing::Test {
protected:
    // A new window, which scans the folder; given a device, it works with it and reads it.
    std::unique_ptr<Window> openWindow(const std::string& reading = "")
    {
        auto window = std::make_unique<Window>(folder.list);
        if (!reading.empty())
            window->use(reading);
        return window;
    }

    LogCapture log; // the lines are the log lines test's
    DeviceFolder folder;
};
