#include "app/send/CommandHistory.h"
#include "app/send/HistoryShelf.h"
#include "app/send/userDataFolder.h"
#include "tests/support/TempDir.h"
#include "toolkit/RunLoop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

std::vector<std::string> olderAll(CommandHistory& history)
{
    std::vector<std::string> seen;
    while (const auto message = history.older())
        seen.push_back(*message);
    return seen;
}

TEST(CommandHistory, RecallsNewestFirstAndGivesBackWhatWasBeingTyped)
{
    CommandHistory history("");
    for (const char* message : {"AT", "ATI", "AT+CSQ"})
        history.add(message);
    EXPECT_EQ(history.older("draft"), "AT+CSQ");
    EXPECT_EQ(history.older(), "ATI");
    EXPECT_EQ(history.older(), "AT");
    EXPECT_EQ(history.older(), std::nullopt) << "nothing older: the cursor stays on the oldest";
    EXPECT_EQ(history.newer(), "ATI");
    EXPECT_EQ(history.newer(), "AT+CSQ");
    EXPECT_EQ(history.newer(), "draft");
    EXPECT_EQ(history.newer(), std::nullopt);

    history.older();
    history.add("ATZ");
    EXPECT_EQ(history.older(), "ATZ") << "a send starts the recall again from the newest";
}

TEST(CommandHistory, KeepsNoImmediateRepeatsAndOnlyTheLastThousand)
{
    CommandHistory history("");
    for (const char* message : {"A", "A", "B", "A", "A"})
        history.add(message);
    EXPECT_EQ(olderAll(history), (std::vector<std::string>{"A", "B", "A"}));

    for (int i = 0; i < 1500; ++i)
        history.add(std::to_string(i));
    ASSERT_EQ(history.messages().size(), CommandHistory::limit);
    EXPECT_EQ(history.messages().front(), "500");
    EXPECT_EQ(history.recent(2), (std::vector<std::string>{"1499", "1498"}));
}

TEST(CommandHistory, EveryByteRoundTripsThroughItsFileWrittenASecondAfterASendAndForgetEmptiesIt)
{
    TempDir dir;
    const std::string path = dir.path() + "/sub/h.history";
    std::string every;
    for (int byte = 0; byte < 256; ++byte)
        every.push_back(static_cast<char>(byte));
    {
        CommandHistory history(path);
        history.add(every);
        history.add("");
        EXPECT_FALSE(std::filesystem::exists(path)) << "not written on every send";
        RunLoop::currentRunLoop().fireTimers();
        CommandHistory reread(path);
        reread.load();
        EXPECT_EQ(reread.messages().size(), 2u) << "but a second after one";
        history.add("line\r\n%41\t");
    } // and what is left when it goes
    CommandHistory again(path);
    EXPECT_EQ(again.load(), "");
    EXPECT_EQ(again.messages(), (std::deque<std::string>{every, "", "line\r\n%41\t"}));

    EXPECT_EQ(again.forget(), "");
    CommandHistory empty(path);
    EXPECT_EQ(empty.load(), "");
    EXPECT_TRUE(empty.messages().empty());
}

TEST(CommandHistory, ADamagedOrUnreadableFileCostsOnlyTheHistory)
{
    TempDir dir;
    for (const std::string contents : {"serialterm history 1\nok\nbad%4", "something else\n", "serialterm history 1\n%zz\n"}) {
        dir.writeFile("h.history", contents);
        CommandHistory history(dir.path() + "/h.history");
        EXPECT_NE(history.load().find("damaged; it starts empty"), std::string::npos) << contents;
        EXPECT_TRUE(history.messages().empty());
        history.add("after");
        EXPECT_EQ(history.save(), "") << "the next save writes a good file over it";
    }
    CommandHistory folder(dir.path());
    EXPECT_NE(folder.load().find("could not be read"), std::string::npos);
    CommandHistory missing(dir.path() + "/none");
    EXPECT_EQ(missing.load(), "") << "no file yet is a fresh start, not a fault";
}

TEST(HistoryShelf, KeepsOneHistoryPerDeviceNameSharedByItsWindows)
{
    TempDir dir;
    HistoryShelf shelf(dir.path());
    const auto usb = shelf.forDevice("cu.usb");
    const auto other = shelf.forDevice("cu.other");
    usb->add("to usb");
    EXPECT_EQ(shelf.forDevice("cu.usb"), usb);
    EXPECT_TRUE(other->messages().empty());
    EXPECT_EQ(shelf.fileFor("a/b c"), dir.path() + "/history/a%2Fb%20c.history");
}

TEST(UserDataFolder, FollowsXdgDataHomeAndFallsBackToHome)
{
    const char* savedData = std::getenv("XDG_DATA_HOME");
    const std::string keptData = savedData ? savedData : "";
    ::setenv("XDG_DATA_HOME", "/data", 1);
    ::setenv("HOME", std::getenv("HOME") ? std::getenv("HOME") : "/home/x", 1);
#ifndef __APPLE__
    EXPECT_EQ(userDataFolder(), "/data/serialterm");
    ::setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(userDataFolder(), std::string(std::getenv("HOME")) + "/.local/share/serialterm");
#endif
    if (savedData)
        ::setenv("XDG_DATA_HOME", keptData.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

} // namespace
