// A terminal window without a screen: a document wired to control models, scanning a
// scratch folder whose "cu." entries lead to pseudo-terminals the test plays the far end of.
#pragma once

#include "app/MyDocument.h"
#include "app/TerminalControls.h"
#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "tests/support/LogCapture.h"
#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "toolkit/AttributedText.h"
#include "toolkit/RunLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

// One window: its controls and its document.
struct Window {
    TerminalControls controls;
    std::unique_ptr<MyDocument> document;

    Window()
        : document(std::make_unique<MyDocument>(controls))
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
    // Works with the named device and reads it, whichever device the window started on.
    void use(const std::string& name)
    {
        choose(controls.devicePU, name);
        readOn();
    }
    void readOff() { controls.readToggle.userSelectSegment(0); }
    void view(int mode) { controls.viewFilter.userSelectSegment(mode); }
    void type(std::u16string_view text)
    {
        TextView& editor = controls.sendTF;
        editor.userReplaceCharacters(editor.selectedRange(), text);
    }
    const std::u16string& received() const { return controls.recieveTF.string(); }
    const std::u16string& editor() const { return controls.sendTF.string(); }
    Device* device() const { return document->getEnabledDevice(); }
    // What the event loop does for a window: serve the ports that are ready, then tick.
    void tick()
    {
        RunLoop::currentRunLoop().fireReadyWatches();
        document->update();
    }
};

class DocumentTest : public testing::Test {
protected:
    DocumentTest()
    {
        // Forget the devices earlier tests left in the process-wide list.
        quietly([&] { DeviceList::sharedDeviceList() = DeviceList({dev.path(), sys.path()}); });
    }

    // Runs f with the log captured; answers the lines it logged.
    template <typename F>
    static std::string quietly(F&& f)
    {
        LogCapture lines;
        f();
        return lines.take();
    }

    void attach(const std::string& name, const Pty& pty) { dev.link(name, pty.slavePath()); }

    // The device names in list order, which is the folder's order: not alphabetical.
    static std::vector<std::string> listed()
    {
        std::vector<std::string> names;
        DeviceList& list = DeviceList::sharedDeviceList();
        for (int i = 0; i < list.getNumDevices(); ++i)
            names.emplace_back(list.getDeviceAtIndex(i)->getAddr());
        return names;
    }

    std::unique_ptr<Window> openWindow()
    {
        std::unique_ptr<Window> window;
        quietly([&] { window = std::make_unique<Window>(); });
        return window;
    }

    // Ticks the window until its receive buffer took `count` more characters or a second passed.
    static void tickUntil(Window& window, std::uint64_t count)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        const std::uint64_t target = window.device()->getRecvCount() + count;
        quietly([&] {
            while (window.device()->getRecvCount() < target && std::chrono::steady_clock::now() < deadline)
                window.tick();
        });
    }

    TempDir empty;
    TempDir dev;
    TempDir sys;
};

// The characters of a text that carry the escape gray, as a string of '#' (gray) and '.'.
inline std::string grayMask(const AttributedText& text)
{
    std::string mask;
    for (const AttributedText::Run& run : text.runs())
        mask.append(run.length, run.color == grayColor() ? '#' : run.color ? '?' : '.');
    return mask;
}
