#include "devices/Device.h"
#include "tests/support/FakePort.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

void append(Device& device, const std::string& bytes)
{
    device.appendRecvBuf(bytes.data(), bytes.size());
}

} // namespace

TEST(Device, KeepsItsNameByteForByte)
{
    const Device named("cu.100%s\xe9", "/tmp/devs");
    EXPECT_STREQ(named.getAddr(), "cu.100%s\xe9");
    EXPECT_EQ(named.path(), "/tmp/devs/cu.100%s\xe9");
}

TEST(Device, EachRecordOwnsItsPortAndNeverDropsOneOpen)
{
    int closes = 0;
    std::vector<std::string> heard;
    {
        Device first("cu.a");
        const Device second("cu.b");
        first.setPort(std::make_unique<FakePort>(7, &closes));
        EXPECT_EQ(first.getPortHandle(), 7);
        EXPECT_EQ(second.getPortHandle(), -1) << "making a record must not touch another's port";
        EXPECT_EQ(second.getOptions(), nullptr);
        first.addListener(&heard, [&heard](std::string_view bytes) { heard.emplace_back(bytes); });

        first.deliver("ab\0", 3);
        first.setPort(std::make_unique<FakePort>(8, &closes));
        EXPECT_EQ(closes, 1) << "a replaced port is closed";
        EXPECT_EQ(first.getPortHandle(), 8);
        EXPECT_EQ(first.getRecvBuf(), std::u16string(u"ab\0", 3));
    }
    EXPECT_EQ(closes, 2) << "destroying a record closes its port";
    // The bytes, then news of each close and of the record going away.
    EXPECT_EQ(heard, (std::vector<std::string>{std::string("ab\0", 3), "", "", ""}));
}

TEST(Device, ReceiveBufferKeepsTheNewest2047CharactersTrimmedPerChunk)
{
    Device device;
    append(device, std::string(2000, 'a'));
    append(device, std::string(47, 'b'));
    EXPECT_EQ(device.getRecvBuf().size(), 2047u);
    append(device, "c");
    ASSERT_EQ(device.getRecvBuf().size(), 2047u);
    EXPECT_EQ(device.getRecvBuf().front(), u'a');
    EXPECT_EQ(device.getRecvBuf().back(), u'c');
    EXPECT_EQ(device.getRecvBuf().find(u'b'), 1999u) << "exactly one oldest character dropped";

    device.clearRecvBuffer();
    append(device, std::string(2000, 'x'));
    append(device, std::string(100, 'y'));
    EXPECT_EQ(device.getRecvBuf(), std::u16string(1900, u'x') + std::u16string(100, u'y'));

    // Longer than the buffer it replaces: must neither crash nor overflow.
    device.clearRecvBuffer();
    append(device, std::string(1500, 'x'));
    append(device, std::string(2000, 'y'));
    EXPECT_EQ(device.getRecvBuf(), std::u16string(2000, u'y'));
    std::string huge(3000, 'p');
    huge.back() = 'q';
    append(device, huge);
    EXPECT_EQ(device.getRecvBuf(), std::u16string(2046, u'p') + u'q');
    EXPECT_EQ(device.getRecvCount(), 2000u + 47 + 1 + 2000 + 100 + 1500 + 2000 + 3000)
        << "clearing must not set the count back";
}

TEST(Device, EveryByteIsOneCharacterIncludingZero)
{
    Device device;
    const std::string bytes("ab\0cd\x7f\x80\xff", 8);
    append(device, bytes);
    EXPECT_EQ(device.getRecvBuf(), std::u16string(u"ab\0cd\u007f\u0080\u00ff", 8));
    append(device, std::string(1, '\0'));
    EXPECT_EQ(device.getRecvBuf().size(), 9u);
    EXPECT_EQ(device.getRecvCount(), 9u);
}
