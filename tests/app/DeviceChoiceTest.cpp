#include "tests/app/DocumentFixture.h"

// A new window works with the first device of the list without having opened it; choosing
// another asks for the first one's close all the same, as every device choice does.
TEST_F(DocumentTest, ChoosingAnotherDeviceOnANewWindowAsksForTheCloseFirst)
{
    attach("cu.a");
    attach("cu.b");
    auto window = openWindow();
    const std::string lines = logged([&] { window->choose(window->controls.devicePU, "cu.b"); });
    EXPECT_EQ(lines.find("Failed to closed previsouly enabled port\n"), 0u) << lines;
    EXPECT_NE(lines.find("OPEND port\n"), std::string::npos) << lines;
    EXPECT_TRUE(window->reading());
}

namespace {

// Queues more than a pty takes at once, so output waits when the port closes.
void queueMuch(Window& window)
{
    window.type(std::u16string(300000, u'x'));
    window.click(window.controls.sendButton);
    ASSERT_GT(window.device()->getPort()->pendingBytes(), 0u);
}

} // namespace

TEST_F(DocumentTest, QueuedOutputThatANewSettingThrowsAwayIsToldInTheWindow)
{
    attach("cu.a");
    auto window = openWindow("cu.a");
    queueMuch(*window);
    window->choose(window->controls.baudRatePU, "19200");
    EXPECT_NE(window->document->statusText().find("bytes waiting to go to cu.a were dropped"), std::string::npos)
        << window->document->statusText();
}

TEST_F(DocumentTest, QueuedOutputThatReadingOffThrowsAwayIsToldInTheWindow)
{
    attach("cu.a");
    auto window = openWindow("cu.a");
    queueMuch(*window);
    window->readOff();
    EXPECT_NE(window->document->statusText().find("bytes waiting to go to cu.a were dropped"), std::string::npos)
        << window->document->statusText();
}

TEST_F(DocumentTest, QueuedOutputThatAnotherDeviceThrowsAwayIsToldInTheWindow)
{
    attach("cu.a");
    attach("cu.b");
    auto window = openWindow("cu.a");
    queueMuch(*window);
    window->choose(window->controls.devicePU, "cu.b");
    EXPECT_NE(window->document->statusText().find("bytes waiting to go to cu.a were dropped"), std::string::npos)
        << window->document->statusText();
}
