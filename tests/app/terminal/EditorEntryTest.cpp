// What the user enters into the transmit editor besides typing text: value lists and escapes.
#include "tests/app/terminal/DocumentFixture.h"
#include "tests/support/GrayMask.h"

TEST_F(DocumentTest, AnEscapeTypedKeyByKeyInTheHexViewBecomesItsByte)
{
    Pty& pty = folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    window->view(3);
    for (const char16_t key : std::u16string(u"\\0x41\\0x4"))
        window->type(std::u16string(1, key));
    EXPECT_EQ(window->editor(), u"\\0x41\\0x4");
    EXPECT_EQ(grayMask(window->controls.sendTF.textStorage()), "#####....") << "the one being typed waits, plain";
    window->click(window->controls.sendButton);
    EXPECT_EQ(pty.readMaster(2, std::chrono::seconds(1)), std::string("A\x04", 2));
}

// A value list with a piece that gives no byte adds none of it: the text stays to be mended.
TEST_F(DocumentTest, AValueListWithABadPieceAddsNothingKeepsItsTextAndSaysWhatWasWrong)
{
    folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    window->controls.nonPrintTF.setStringValue("65, 0x42 300,,0 1e2");
    window->click(window->controls.addNonPrint);
    EXPECT_EQ(window->editor(), u"");
    EXPECT_EQ(window->controls.nonPrintTF.stringValue(), "65, 0x42 300,,0 1e2");
    EXPECT_EQ(window->status(), "300 is not a byte value (0-255); 1e2 is not a number: nothing was added.");
}

TEST_F(DocumentTest, InTheHexViewTheValuesFieldReadsBareNumbersAsHex)
{
    folder.attach("cu.usb");
    auto window = openWindow("cu.usb");
    window->view(3);
    window->controls.nonPrintTF.setStringValue("AA 55 01 0D");
    window->click(window->controls.addNonPrint);
    EXPECT_EQ(window->editor(), u"\\0xAA\\0x55\\0x1\\0xD");
    window->click(window->controls.addLineButton); // the buttons' values stay decimal
    EXPECT_EQ(window->editor(), u"\\0xAA\\0x55\\0x1\\0xD\\0xA");
}
