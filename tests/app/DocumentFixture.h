// A terminal window without a screen: a document wired to control models, scanning a
// scratch folder whose "cu." entries lead to pseudo-terminals the test plays the far end of.
#pragma once

#include "app/terminal/MyDocument.h"
#include "app/terminal/TerminalControls.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/AttributedText.h"
#include "toolkit/RunLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>

struct Window {
    TerminalControls controls;
    std::unique_ptr<MyDocument> document;

    Window() : document(std::make_unique<MyDocument>(controls)) { controls.connect(*document); }

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
};

class DocumentTest : public testing::Test {
protected:
    // Forgets the devices earlier tests left in the process-wide list.
    DocumentTest() { DeviceList::sharedDeviceList() = DeviceList({dev.path(), sys.path()}); }

    // The lines f logs. Whatever else the test logs goes to `log` and is not looked at.
    template <typename F>
    std::string logged(F&& f)
    {
        log.take();
        f();
        return log.take();
    }

    // The device `name`: a pseudo-terminal (made on first use) whose far end the test plays.
    Pty& attach(const std::string& name)
    {
        Pty& pty = ptys[name];
        dev.link(name, pty.slavePath());
        return pty;
    }

    // A new window, which scans the folder; given a device, it works with it and reads it.
    static std::unique_ptr<Window> openWindow(const std::string& reading = "")
    {
        auto window = std::make_unique<Window>();
        if (!reading.empty())
            window->use(reading);
        return window;
    }

    // Ticks the window until its device took `count` more characters or a second passed.
    static void tickUntil(Window& window, std::uint64_t count)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        const std::uint64_t target = window.device()->getRecvCount() + count;
        while (window.device()->getRecvCount() < target && std::chrono::steady_clock::now() < deadline)
            window.tick();
    }

    LogCapture log;
    TempDir dev;
    TempDir sys;
    std::map<std::string, Pty> ptys;
};
