#include "tests/app/DocumentFixture.h"

#include "toolkit/TextField.h"

#include <thread>

using namespace std::chrono_literals;

TEST_F(DocumentTest, TypingIsRebuiltInTheViewModeWithTheCaretAfterTheTypedText)
{
    auto window = openWindow();
    const TextView& editor = window->controls.sendTF;

    quietly([&] { window->view(1); });
    const std::string lines = quietly([&] { window->type(u"A\n"); });
    EXPECT_EQ(lines, "DECODED: BEFORE: A\n\nDECODED: AFTER: A\n\n");
    EXPECT_EQ(window->editor(), u"A\\10");
    EXPECT_EQ(grayMask(editor.textStorage()), ".###");
    EXPECT_EQ(editor.selectedRange(), (TextRange{4, 0}));
    EXPECT_EQ(editor.typingAttributes(), nullptr);

    // Typing in the middle lands in the middle, and the caret stays behind it.
    window->controls.sendTF.setSelectedRange(TextRange{1, 0});
    quietly([&] { window->type(u" "); });
    EXPECT_EQ(window->editor(), u"A\\32\\10");
    EXPECT_EQ(editor.selectedRange(), (TextRange{4, 0}));

    quietly([&] { window->view(3); });
    EXPECT_EQ(window->editor(), u"\\0x41\\0x20\\0xA");
    EXPECT_EQ(grayMask(editor.textStorage()), std::string(window->editor().size(), '#'));
    quietly([&] { window->type(u"B"); }); // the caret stayed behind the space
    EXPECT_EQ(window->editor(), u"\\0x41\\0x20\\0x42\\0xA");

    quietly([&] { window->view(2); });
    EXPECT_EQ(window->editor(), u"\\65\\32\\66\\10");
    quietly([&] { window->type(u"C"); });
    EXPECT_EQ(window->editor(), u"\\65\\32\\66\\67\\10");
    quietly([&] { window->view(0); });
    EXPECT_EQ(window->editor(), u"A BC\n");
    EXPECT_EQ(grayMask(editor.textStorage()), ".....");
    // Plain text stays plain, and a backslash typed by hand is just a backslash.
    quietly([&] { window->type(u"\\65"); });
    EXPECT_EQ(window->editor(), u"A BC\\65\n");
    quietly([&] { window->view(2); });
    EXPECT_EQ(window->editor(), u"\\65\\32\\66\\67\\92\\54\\53\\10");
}

TEST_F(DocumentTest, ValuesAndTheFourButtonsAppendCharactersAtTheEnd)
{
    auto window = openWindow();
    quietly([&] {
        window->view(1);
        window->type(u"x");
        window->controls.sendTF.setSelectedRange(TextRange{0, 0});
        window->controls.nonPrintTF.setStringValue("65, 66,300,,0");
        window->click(window->controls.addNonPrint);
        window->click(window->controls.addLineButton);
        window->click(window->controls.addCRtrnButton);
        window->click(window->controls.addTabButton);
        window->click(window->controls.addNullButton);
    });
    EXPECT_EQ(window->editor(), u"xAB\\0\\10\\13\\9\\0");
    EXPECT_EQ(window->controls.nonPrintTF.stringValue(), "");
    quietly([&] { window->view(0); });
    EXPECT_EQ(window->editor(), std::u16string(u"xAB\0\n\r\t\0", 8));
}

TEST_F(DocumentTest, SendPutsExactlyTheIntendedBytesOnTheWire)
{
    Pty pty;
    attach("cu.usb", pty);
    auto window = openWindow();
    quietly([&] { window->readOn(); });

    std::u16string message = u"%d \\ 100%";
    std::string expected = "%d \\ 100%";
    for (int value : {0, 0x80, 0xC3, 0xFF, 13, 10}) {
        message.push_back(static_cast<char16_t>(value));
        expected.push_back(static_cast<char>(value));
    }
    quietly([&] { window->type(message); });
    quietly([&] { window->view(3); }); // what is sent does not depend on the view
    const std::string lines = quietly([&] { window->click(window->controls.sendButton); });
    EXPECT_NE(lines.find("Serial: Wrote 15 bytes\nINTERFACE: SEND button clicked\n"), std::string::npos);
    EXPECT_EQ(pty.readMaster(expected.size(), 1s), expected);
    EXPECT_TRUE(window->editor().empty());
}

TEST_F(DocumentTest, ALargeSendArrivesWholeWhileTheWindowKeepsTicking)
{
    Pty pty;
    attach("cu.usb", pty);
    auto window = openWindow();
    quietly([&] { window->readOn(); });

    std::u16string message;
    std::string expected;
    for (int i = 0; i < 100000; ++i) {
        message.push_back(static_cast<char16_t>('a' + i % 26));
        expected.push_back(static_cast<char>('a' + i % 26));
    }
    quietly([&] {
        window->type(message);
        window->click(window->controls.sendButton);
    });
    EXPECT_TRUE(window->editor().empty());

    std::string arrived;
    std::thread farEnd([&] { arrived = pty.readMaster(expected.size(), 10s); });
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    quietly([&] {
        while (window->device()->getPort()->pendingBytes() > 0 && std::chrono::steady_clock::now() < deadline)
            window->tick();
    });
    farEnd.join();
    EXPECT_EQ(arrived.size(), expected.size());
    EXPECT_TRUE(arrived == expected);
}

TEST_F(DocumentTest, TextThatCannotBeSentStaysInTheEditor)
{
    Pty pty;
    attach("cu.usb", pty);
    auto window = openWindow();
    quietly([&] {
        window->type(u"\u20AC");
        window->click(window->controls.sendButton);
    });
    EXPECT_EQ(window->editor(), u"\u20AC");
    EXPECT_NE(window->document->statusText().find("U+20AC"), std::string::npos);

    // With the port closed the send fails and keeps the text too.
    quietly([&] {
        window->click(window->controls.clrSendButton);
        window->type(u"ok");
        window->click(window->controls.sendButton);
    });
    EXPECT_EQ(window->editor(), u"ok");
    EXPECT_NE(window->document->statusText().find("closed"), std::string::npos);
}
