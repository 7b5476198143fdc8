#include "toolkit/standardDescriptors.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool isDevNull(int fd)
{
    struct stat seen {}, null {};
    return ::fstat(fd, &seen) == 0 && ::stat("/dev/null", &null) == 0 && seen.st_rdev == null.st_rdev &&
           S_ISCHR(seen.st_mode);
}

} // namespace

// In a child, so the test program's own descriptors stay as they are.
TEST(StandardDescriptors, ClosedOnesPointAtDevNullOpenOnesAreLeftAloneAndTheNextOpenGetsANumberOfItsOwn)
{
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        struct stat before {}, after {};
        ::fstat(1, &before);
        ::close(0);
        ::close(2);
        openStandardDescriptors();
        const int next = ::open("/dev/null", O_RDONLY);
        const bool kept = ::fstat(1, &after) == 0 && after.st_ino == before.st_ino && after.st_dev == before.st_dev;
        ::_exit(isDevNull(0) && isDevNull(2) && kept && next > 2 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
