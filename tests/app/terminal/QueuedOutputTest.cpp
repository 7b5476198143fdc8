#include "tests/app/terminal/DocumentFixture.h"

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
    folder.attach("cu.a");
    auto window = openWindow("cu.a");
    queueMuch(*window);
    window->choose(window->controls.baudRatePU, "19200");
    EXPECT_NE(window->status().find("bytes waiting to go to cu.a were dropped"), std::string::npos)
        << window->status();
}

TEST_F(DocumentTest, QueuedOutputThatReadingOffThrowsAwayIsToldInTheWindow)
{
    folder.attach("cu.a");
    auto window = openWindow("cu.a");
    queueMuch(*window);
    window->readOff();
    EXPECT_NE(window->status().find("bytes waiting to go to cu.a were dropped"), std::string::npos)
        << window->status();
}

TEST_F(DocumentTest, QueuedOutputThatAnotherDeviceThrowsAwayIsToldInTheWindow)
{
    folder.attach("cu.a");
    folder.attach("cu.b");
    auto window = openWindow("cu.a");
    queueMuch(*window);
    window->choose(window->controls.devicePU, "cu.b");
    EXPECT_NE(window->status().find("bytes waiting to go to cu.a were dropped"), std::string::npos)
        << window->status();
}
