// The sending tools as a window uses them: Send with a line ending, the history brought back
// into the editor, macros, paced output, repeats, and a ZMODEM send to lrzsz at the far end.
#include "app/send/ChildProcess.h"
#include "tests/app/terminal/DocumentFixture.h"

#include <filesystem>
#include <thread>

using namespace std::chrono_literals;

namespace {

Sender& tools(Window& window)
{
    return window.document->sender();
}

void send(Window& window, std::u16string_view text)
{
    window.type(text);
    window.click(window.controls.sendButton);
}

} // namespace

TEST_F(DocumentTest, EachLineEndingGoesOutAfterTheMessageAlsoInEscapesAndForAnEmptyEditor)
{
    Pty& pty = folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    send(*window, u"AT");
    EXPECT_EQ(pty.readMaster(3, 300ms), "AT") << "no ending unless one is chosen";
    EXPECT_EQ(window->editor(), u"");
    const std::pair<LineEnding, std::string> cases[] = {
        {LineEnding::Lf, "\n"}, {LineEnding::Cr, "\r"}, {LineEnding::CrLf, "\r\n"}};
    for (const auto& [ending, bytes] : cases) {
        tools(*window).setLineEnding(ending);
        window->view(3);
        send(*window, u"\\0x41T");
        EXPECT_EQ(pty.readMaster(2 + bytes.size(), 1s), "AT" + bytes);
        EXPECT_EQ(window->editor(), u"") << "emptied after the send, as always";
        window->view(0);
        send(*window, u"");
        EXPECT_EQ(pty.readMaster(bytes.size(), 1s), bytes) << "an empty editor sends the ending alone";
    }
}

TEST_F(DocumentTest, TheHistoryBringsBackEachDevicesMessagesInTheViewMode)
{
    folder.attach("cu.a");
    folder.attach("cu.b");
    auto window = openWindow("cu.a");
    tools(*window).setLineEnding(LineEnding::CrLf);
    for (const char16_t* message : {u"AT", u"ATI", u"ATI", u"AT\u00e9"})
        send(*window, message);
    window->type(u"draft");
    ASSERT_TRUE(tools(*window).recall(true));
    EXPECT_EQ(window->editor(), u"AT\u00e9");
    window->view(3);
    ASSERT_TRUE(tools(*window).recall(true));
    EXPECT_EQ(window->editor(), u"\\0x41\\0x54\\0x49") << "the message as bytes, without its ending, in the hex view";
    window->view(0);
    ASSERT_TRUE(tools(*window).recall(true)) << "the repeated ATI was kept once";
    EXPECT_EQ(window->editor(), u"AT");
    EXPECT_FALSE(tools(*window).recall(true));
    for (int i = 0; i < 3; ++i)
        tools(*window).recall(false);
    EXPECT_EQ(window->editor(), u"draft") << "past the newest, what was being typed";

    auto other = openWindow("cu.b");
    EXPECT_FALSE(tools(*other).recall(true)) << "cu.b has a history of its own";
    EXPECT_EQ(tools(*other).history().messages().size(), 0u);
}

TEST_F(DocumentTest, AMacroKeyGoesOutWithTheEndingAndAMissingOneIsTold)
{
    Pty& pty = folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    tools(*window).replaceMacros({{"reset", "ATZ"}, {"raw", std::string("\x00\xff", 2)}});
    tools(*window).setLineEnding(LineEnding::Cr);
    tools(*window).sendMacro(1);
    tools(*window).sendMacro(0);
    EXPECT_EQ(pty.readMaster(7, 1s), std::string("\x00\xff\rATZ\r", 7));
    tools(*window).sendMacro(2);
    EXPECT_EQ(window->status(), "There is no macro for F3. Add one with Port ▸ Edit Macros….");
}

TEST_F(DocumentTest, PacedOutputLeavesTheWindowAtOnceKeepsItsGapsAndStopDropsTheRest)
{
    Pty& pty = folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    tools(*window).setPacing({30ms, 0ms});
    const auto started = std::chrono::steady_clock::now();
    send(*window, u"abcdefghij");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 30ms) << "the send never waits for the pacing";
    EXPECT_EQ(window->editor(), u"");
    std::string heard;
    std::vector<std::chrono::steady_clock::time_point> at;
    // A short turn of the loop at a time, so two bytes are never read as one.
    await([&] { return heard.size() >= 3; },
          [&] {
              RunLoop::currentRunLoop().runUntil(std::chrono::steady_clock::now() + 1ms);
              const std::string more = pty.readMaster(1, 5ms);
              for (std::size_t i = 0; i < more.size(); ++i)
                  at.push_back(std::chrono::steady_clock::now());
              heard += more;
          });
    // Read here, a byte may be heard late (a loaded machine), never early: each one is due at
    // least 30 ms after the one before it went, and no two come together.
    for (std::size_t i = 1; i < at.size(); ++i) {
        EXPECT_GE(at[i] - started, 30ms * static_cast<int>(i)) << "byte " << i << " came too soon";
        EXPECT_GE(at[i] - at[i - 1], 10ms) << "byte " << i << " came with the one before it";
    }
    tools(*window).stop();
    EXPECT_NE(window->status().find("bytes of paced output were not sent"), std::string::npos) << window->status();
    heard += pty.readMaster(10, 200ms);
    EXPECT_LT(heard.size(), 10u);
    EXPECT_EQ(heard, std::string("abcdefghij").substr(0, heard.size())) << "nothing reordered";
}

TEST_F(DocumentTest, ARepeatPutsEverySendItCountsOnTheWire)
{
    Pty& pty = folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    tools(*window).setLineEnding(LineEnding::Lf);
    window->type(u"ping");
    tools(*window).startRepeat(10ms);
    std::string heard;
    const auto until = std::chrono::steady_clock::now() + 300ms;
    while (std::chrono::steady_clock::now() < until) {
        run();
        heard += pty.readMaster(65536, 5ms);
    }
    tools(*window).stop();
    heard += pty.readMaster(65536, 100ms);
    const std::uint64_t count = tools(*window).repeatCount();
    EXPECT_GE(count, 5u);
    std::string expected;
    for (std::uint64_t i = 0; i < count; ++i)
        expected += "ping\n";
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(window->status(), "Repeating stopped after " + std::to_string(count) + " sends.");
}

// lrzsz's rz behind socat plays the device: the window's port is socat's pty in the device
// folder. While the transfer runs, no byte of the protocol may reach the receive view.
TEST_F(DocumentTest, AZmodemSendReachesRzWhileTheReceiveViewHearsNothingOfIt)
{
    if (findLrzsz(ModemProtocol::Zmodem, true).empty() || findProgram("socat").empty())
        GTEST_SKIP() << "needs lrzsz and socat";
    TempDir far;
    const std::string file = far.path() + "/image.bin";
    const std::string bytes = pattern(200000, 3);
    std::ofstream(file, std::ios::binary) << bytes;
    std::filesystem::create_directories(far.path() + "/got");
    ChildProcess::Setup setup;
    setup.arguments = {"socat", "pty,raw,echo=0,link=" + folder.dev.path() + "/cu.modem",
                       "SYSTEM:cd " + far.path() + "/got && exec rz -q"};
    int error = 0;
    const auto socat = ChildProcess::spawn(setup, error);
    ASSERT_TRUE(socat);
    await([&] { return std::filesystem::exists(folder.dev.path() + "/cu.modem"); }, [] {});
    auto window = openWindow();
    window->click(window->controls.refreshButton);
    window->use("cu.modem");
    ASSERT_TRUE(window->reading());
    tools(*window).startTransfer({ModemProtocol::Zmodem, true, {file}, {}, 20s});
    ASSERT_TRUE(tools(*window).isModemTransfer()) << window->status();
    EXPECT_TRUE(window->device()->isLent());
    EXPECT_NE(tools(*window).send("AT"), "") << "nothing else goes out meanwhile";
    ASSERT_TRUE(await([&] { return !tools(*window).isModemTransfer(); },
                      [&] {
                          window->tick();
                          run();
                      },
                      60s));
    EXPECT_TRUE(window->status().starts_with("ZMODEM send complete")) << window->status();
    EXPECT_EQ(window->received(), u"") << "the protocol's bytes were the transfer's";
    EXPECT_FALSE(window->device()->isLent());
    await([&] { return contents(far.path() + "/got/image.bin").size() == bytes.size(); }, [] {});
    EXPECT_TRUE(contents(far.path() + "/got/image.bin") == bytes);
}

TEST_F(DocumentTest, WindowsOnOneDeviceShareItsHistoryAndANewRunFindsIt)
{
    folder.attach("cu.usb");
    TempDir data;
    {
        auto first = openWindow("cu.usb");
        auto second = openWindow("cu.usb");
        tools(*first).keepIn(data.path());
        tools(*second).keepIn(data.path());
        send(*first, u"AT+GMR");
        ASSERT_TRUE(tools(*second).recall(true));
        EXPECT_EQ(second->editor(), u"AT+GMR");
    }
    auto later = openWindow("cu.usb");
    tools(*later).keepIn(data.path());
    ASSERT_TRUE(tools(*later).recall(true)) << "written when the last window let it go";
    EXPECT_EQ(later->editor(), u"AT+GMR");
}
