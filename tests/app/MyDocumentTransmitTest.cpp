#include "tests/app/DocumentFixture.h"
#include "tests/support/GrayMask.h"

#include "toolkit/Button.h"
#include "toolkit/TextField.h"

#include <thread>

using namespace std::chrono_literals;

TEST_F(DocumentTest, TypingIsRebuiltInTheViewModeWithTheCaretAfterTheTypedText)
{
    auto window = openWindow();
    TextView& editor = window->controls.sendTF;
    const auto edit = [&](TextRange range, std::u16string_view text) {
        editor.setSelectedRange(range);
        return logged([&] { window->type(text); });
    };

    window->view(1);
    // The text is read once per edit, and the caret goes after what was typed.
    EXPECT_EQ(edit({0, 0}, u"A\n"), "DECODED: BEFORE: A\n\nDECODED: AFTER: A\n\n");
    EXPECT_EQ(grayMask(editor.textStorage()), ".###");
    edit({1, 0}, u" ");
    EXPECT_EQ(window->editor(), u"A\\32\\10");
    EXPECT_EQ(editor.selectedRange(), (TextRange{4, 0}));

    window->view(3);
    window->type(u"B"); // the caret stayed behind the space
    // Typed inside an escape, a character cuts its number short and the caret follows it.
    edit({4, 0}, u"2");
    EXPECT_EQ(window->editor(), u"\\0x4\\0x32\\0x20\\0x42\\0xA");
    EXPECT_EQ(editor.selectedRange(), (TextRange{9, 0}));

    window->view(2);
    EXPECT_EQ(editor.selectedRange(), (TextRange{5, 0}));
    // A digit deleted from the middle of "\50": the caret stays before what is left of it.
    edit({3, 1}, u"");
    EXPECT_EQ(window->editor(), u"\\4\\0\\32\\66\\10");
    EXPECT_EQ(editor.selectedRange(), (TextRange{2, 0}));

    // Values and the four buttons add characters at the end, wherever the caret is.
    window->view(1);
    editor.setSelectedRange(TextRange{0, 0});
    window->controls.nonPrintTF.setStringValue("65, 0x42 300,,0 1e2");
    for (Button* button : {&window->controls.addNonPrint, &window->controls.addLineButton, &window->controls.addCRtrnButton,
                           &window->controls.addTabButton, &window->controls.addNullButton})
        window->click(*button);
    EXPECT_EQ(window->editor(), u"\\4\\0\\32B\\10AB\\0\\10\\13\\9\\0");
    EXPECT_EQ(window->controls.nonPrintTF.stringValue(), "");
    EXPECT_EQ(window->document->statusText(),
              "300 is not a byte value (0-255): skipped; 1e2 is not a number: skipped.");
}

TEST_F(DocumentTest, SendPutsExactlyTheIntendedBytesOnTheWireAndKeepsWhatItCannotSend)
{
    Pty& pty = attach("cu.usb");
    auto window = openWindow("cu.usb");
    const auto send = [&] { return logged([&] { window->click(window->controls.sendButton); }); };

    std::string expected("%d \\ 100%\0\x80\xC3\xFF\r\n", 15);
    window->type(std::u16string(u"%d \\ 100%\0\u0080\u00C3\u00FF\r\n", 15));
    window->view(3); // what is sent does not depend on the view
    std::string lines = send();
    EXPECT_EQ(lines.find("DECODED: BEFORE: \\0x25\\0x64\\0x20\\0x5C"), 0u);
    EXPECT_NE(lines.find("\\0xA\nDECODED: AFTER: %d \\ 100%\u0080\u00C3\u00FF\r\n\n"
                         "Serial: Wrote 15 bytes\nINTERFACE: SEND button clicked\n"),
              std::string::npos);
    EXPECT_EQ(pty.readMaster(expected.size(), 1s), expected);
    send(); // the emptied editor sends nothing

    // More than the port takes at once arrives whole, and what is sent while it waits arrives
    // after it, while the window keeps ticking.
    expected.clear();
    for (int i = 0; i < 100000; ++i)
        expected.push_back(static_cast<char>('a' + i % 26));
    window->view(0);
    window->type(std::u16string(expected.begin(), expected.end()));
    send();
    EXPECT_TRUE(window->editor().empty());
    ASSERT_GT(window->device()->getPort()->pendingBytes(), 0u);
    window->type(u"later");
    send();
    expected += "later";
    std::string arrived;
    std::thread farEnd([&] { arrived = pty.readMaster(expected.size(), 10s); });
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (window->device()->getPort()->pendingBytes() > 0 && std::chrono::steady_clock::now() < deadline)
        window->tick();
    farEnd.join();
    EXPECT_TRUE(arrived == expected) << "arrived " << arrived.size() << " bytes";

    // Text that cannot be sent stays in the editor.
    window->readOff();
    window->click(window->controls.clrSendButton);
    window->type(u"ok");
    send();
    EXPECT_EQ(window->editor(), u"ok");
    EXPECT_NE(window->document->statusText().find("closed"), std::string::npos);
}
