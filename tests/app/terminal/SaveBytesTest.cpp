#include "app/terminal/saveBytes.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

// A named pipe nobody reads would hold the window in open() until somebody does.
TEST(SaveBytes, SavingToANamedPipeIsRefusedWithoutWaitingForAReader)
{
    TempDir dir;
    const std::string fifo = dir.path() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(saveBytes(fifo, "abc"), "it is a named pipe (FIFO), not a regular file");
}

