#include "app/connection/describeOpenFailure.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

TEST(DescribeOpenFailure, NamesTheReasonAndAGroupOnlyWhenJoiningItWouldHelp)
{
    EXPECT_EQ(describeOpenFailure("/dev/cu.gone", ENOENT), "Cannot open /dev/cu.gone: No such file or directory.");

    // A group other than root; as root any group will do, otherwise our own.
    const group* serialGroup = ::getgrnam("dialout");
    const gid_t other = ::geteuid() == 0 && serialGroup ? serialGroup->gr_gid : ::getegid();
    ASSERT_NE(other, 0u) << "needs a group other than root";
    const std::string otherName = ::getgrgid(other)->gr_name;

    TempDir dev;
    dev.writeFile("ttyUSB0", "");
    const std::string path = dev.path() + "/ttyUSB0";
    const auto describe = [&](gid_t gid, mode_t mode) {
        EXPECT_EQ(::chown(path.c_str(), static_cast<uid_t>(-1), gid), 0);
        EXPECT_EQ(::chmod(path.c_str(), mode), 0);
        return describeOpenFailure(path, EACCES);
    };

    const std::string joinable = describe(other, 0660);
    EXPECT_NE(joinable.find("group \"" + otherName + "\""), std::string::npos) << joinable;
    EXPECT_NE(joinable.find("usermod -aG " + otherName + " "), std::string::npos) << joinable;

    // Root's group, a group the mode shuts out, and a device that can't be looked at: no group
    // to join, but what usually fixes it.
    std::vector<std::string> unhelpful = {describe(other, 0600), describeOpenFailure(dev.path() + "/missing", EACCES)};
    if (::geteuid() == 0)
        unhelpful.push_back(describe(0, 0660));
    for (const std::string& text : unhelpful) {
        EXPECT_EQ(text.find("usermod"), std::string::npos) << text;
        EXPECT_NE(text.find("not accessible to this user"), std::string::npos) << text;
        EXPECT_NE(text.find("udev rule"), std::string::npos) << text;
    }
}
