#include "serial/WireQueue.h"

#include <gtest/gtest.h>

TEST(WireQueueTest, WritesCountDataBytesOnceTheirLastWireByteIsOut)
{
    WireQueue queue;
    queue.appendControl(std::string("\xFF\xFB\x00", 3));
    queue.appendData("a\xFF\xFF" "b", false); // three data bytes
    queue.appendData("\r" + std::string(1, '\0'), true);
    EXPECT_EQ(queue.pendingData(), 4u);
    EXPECT_EQ(queue.consume(3), 0u);  // the command
    EXPECT_EQ(queue.consume(2), 1u);  // 'a' and half of the doubled IAC
    EXPECT_EQ(queue.pendingData(), 3u);
    EXPECT_EQ(queue.consume(1), 1u);  // its other half
    EXPECT_EQ(queue.consume(2), 1u);  // 'b' and the CR without its NUL
    EXPECT_EQ(queue.consume(5), 1u);  // only one byte was left
    EXPECT_TRUE(queue.empty());
}

TEST(WireQueueTest, CommandsAheadOfDataMayGoAlone)
{
    WireQueue queue;
    queue.appendControl("12");
    queue.appendControl("3");
    queue.appendData("data", false);
    queue.appendControl("4");
    EXPECT_EQ(queue.controlAtFront(), 3u);
    queue.consume(3);
    EXPECT_EQ(queue.controlAtFront(), 0u);
    EXPECT_EQ(std::string(queue.front(), queue.size()), "data4");
}

TEST(WireQueueTest, ALongQueueKeepsItsOrderThroughManySmallWrites)
{
    WireQueue queue;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        const std::string chunk(100, static_cast<char>('a' + i % 26));
        queue.appendData(chunk, false);
        expected += chunk;
    }
    std::string sent;
    std::size_t data = 0;
    while (!queue.empty()) {
        const std::size_t n = std::min<std::size_t>(queue.size(), 7777);
        sent.append(queue.front(), n);
        data += queue.consume(n);
    }
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(data, expected.size());
}
