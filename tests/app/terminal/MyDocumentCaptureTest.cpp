// Capture through the document: the port's comings and goings marked in order as the
// connection tells them.
#include "tests/app/terminal/DocumentFixture.h"

#include <sstream>

namespace {

TEST_F(DocumentTest, ATextCaptureMarksThePortOpeningClosingAndGoingAwayInOrder)
{
    Pty& pty = folder.attach("cu.usb");
    auto window = openWindow();
    const std::string path = folder.sys.path() + "/text.log";
    ASSERT_EQ(window->document->startCapture(path, Capture::Format::Text), "");
    window->readOn();
    pty.writeMaster("hello\n");
    ASSERT_TRUE(window->receive(6));
    window->readOff();
    window->readOn();
    pty.hangUp();
    window->tick();
    window->document->stopCapture();
    await([&] { return window->document->captureState().empty(); }, [&] { window->tick(); });
    // The stamps are the capture test's.
    std::istringstream lines(contents(path));
    std::string body;
    for (std::string each; std::getline(lines, each) && each.size() > 24;)
        body += each.substr(24) + "\n";
    EXPECT_EQ(body, "--- Capture started ---\n"
                    "--- Port cu.usb opened, 9600 none-8-1 None ---\n"
                    "hello\n"
                    "--- Port cu.usb closed ---\n"
                    "--- Port cu.usb opened, 9600 none-8-1 None ---\n"
                    "--- cu.usb went away: Input/output error ---\n"
                    "--- Capture stopped ---\n");
}

} // namespace
