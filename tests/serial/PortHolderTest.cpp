#include "serial/PortHolder.h"
#include "serial/SerialPort.h"

#include "tests/support/Await.h"
#include "tests/support/Pty.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#ifdef __linux__
// A holder that did not lock the device is found by its descriptor; this process, which has it
// open too, is named only when nobody else has. Such a holder keeps the options we leave.
TEST(PortHolder, NamesAnotherProcessThatHasTheDeviceOpenBeforeThisOneAndClosingLeavesItsOptions)
{
    Pty pty;
    EXPECT_EQ(PortHolder::find(pty.slavePath())->pid, ::getpid());
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
        ::dup2(fd, STDIN_FILENO);
        ::execlp("sleep", "sleep", "10", static_cast<char*>(nullptr));
        ::_exit(1);
    }
    std::optional<PortHolder> holder;
    await([&] { return holder && holder->command == "sleep"; }, // until the child has become sleep
          [&] { holder = PortHolder::find(pty.slavePath()); });
    // Our options are the other program's too now: closing must not change them under it.
    int error = 0;
    std::unique_ptr<SerialPort> port = SerialPort::open(pty.slavePath(), "cu.pty", 115200, 0, 0, error);
    ASSERT_TRUE(port);
    port->close();
    const termios left = pty.slaveOptions();
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->command, "sleep");
    EXPECT_EQ(holder->pid, child);
    EXPECT_EQ(cfgetospeed(&left), speed_t{B115200});
    EXPECT_FALSE(PortHolder::find("/nonexistent/cu.x"));
}
#endif
