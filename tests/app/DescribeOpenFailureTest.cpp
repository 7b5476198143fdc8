#include "app/describeOpenFailure.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>

TEST(DescribeOpenFailure, NamesTheReasonAndForAPermissionTheGroupThatOwnsTheDevice)
{
    EXPECT_EQ(describeOpenFailure("/dev/cu.gone", ENOENT), "Cannot open /dev/cu.gone: No such file or directory.");

    TempDir dev;
    dev.writeFile("ttyUSB0", "");
    const std::string path = dev.path() + "/ttyUSB0";
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    const group* owner = ::getgrgid(info.st_gid);
    ASSERT_NE(owner, nullptr);
    const std::string text = describeOpenFailure(path, EACCES);
    EXPECT_NE(text.find("Permission denied"), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("group \"") + owner->gr_name + "\""), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("usermod -aG ") + owner->gr_name), std::string::npos) << text;

    // A device that can't even be looked at: the usual group.
    EXPECT_NE(describeOpenFailure(dev.path() + "/missing", EACCES).find("dialout"), std::string::npos);
}
