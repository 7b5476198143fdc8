#include "serial/TelnetCodec.h"

#include "tests/support/byteString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int IAC = 255, SB = 250, SE = 240, WILL = 251, WONT = 252, DO = 253, DONT = 254;

// A client that has started, and what the server's bytes made of it.
struct Session {
    TelnetCodec codec{true};
    std::string data, replies;
    std::vector<std::string> subnegotiations;

    Session()
    {
        codec.start();
        codec.onComPortSubnegotiation([this](std::string_view payload) { subnegotiations.emplace_back(payload); });
    }
    void feed(const std::string& wire) { codec.receive(wire, data, replies); }
    void agree() { feed(byteString({IAC, DO, 0, IAC, WILL, 0, IAC, DO, 3, IAC, WILL, 3, IAC, DO, 44})); }
};

} // namespace

TEST(TelnetCodecTest, StartOffersBinarySuppressGoAheadAndComPortAndTheAnswersAreNotAnsweredAgain)
{
    EXPECT_EQ(TelnetCodec(true).start(), byteString({IAC, WILL, 0, IAC, DO, 0, IAC, WILL, 3, IAC, DO, 3, IAC, WILL, 44}));
    EXPECT_EQ(TelnetCodec(false).start().size(), 12u);
    Session session;
    session.agree();
    EXPECT_EQ(session.replies, "");
    EXPECT_TRUE(session.codec.optionsSettled());
    EXPECT_TRUE(session.codec.comPortAgreed());
    EXPECT_TRUE(session.codec.serverSendsBinary());

    Session refused;
    refused.feed(byteString({IAC, DONT, 44}));
    EXPECT_TRUE(refused.codec.comPortRefused());
    EXPECT_EQ(refused.replies, "");
}

TEST(TelnetCodecTest, EveryByteValueComesThroughWithIacUndoubledWhereverAReadEnds)
{
    std::string all, server;
    for (int value = 0; value < 256; ++value) {
        all.push_back(static_cast<char>(value));
        server.append(value == IAC ? 2 : 1, static_cast<char>(value));
    }
    Session session;
    session.agree();
    for (std::size_t cut = 0; cut <= server.size(); ++cut) {
        session.data.clear();
        session.feed(server.substr(0, cut));
        session.feed(server.substr(cut));
        ASSERT_EQ(session.data, all) << cut;
    }
}

TEST(TelnetCodecTest, EncodingDoublesIacAndAddsNulAfterCrOnlyOutsideBinary)
{
    Session session;
    std::string before, after;
    session.codec.encode(byteString({'\r', IAC, 'x'}), before);
    session.agree();
    session.codec.encode(byteString({'\r', IAC, 'x'}), after);
    EXPECT_EQ(before, byteString({'\r', 0, IAC, IAC, 'x'}));
    EXPECT_EQ(after, byteString({'\r', IAC, IAC, 'x'}));
}

// What the server's bytes make, fed whole and then a byte at a time: what a read cuts off the
// next one finishes.
TEST(TelnetCodecTest, ServerBytesGiveTheirDataRepliesAndComPortSubnegotiations)
{
    const struct {
        const char* rule;
        bool agreed;
        std::string wire, data, replies;
        std::vector<std::string> subnegotiations;
        std::size_t dropped;
    } rows[] = {
        {"CR NUL outside binary is CR", false, byteString({'a', '\r', 0, 'b', 0}), byteString({'a', '\r', 'b', 0}), "", {}, 0},
        {"unknown options are refused", false, byteString({IAC, DO, 24, IAC, WILL, 1}), "", byteString({IAC, WONT, 24, IAC, DONT, 1}), {}, 0},
        {"a subnegotiation with IAC undoubled", true, byteString({'a', IAC, SB, 44, 101, 0, 0, IAC, IAC, IAC, SE, 'b'}), "ab", "",
         {byteString({101, 0, 0, IAC})}, 0},
        {"an oversized one is dropped", false, byteString({IAC, SB, 44}) + std::string(100000, 'x') + byteString({IAC, SE}) + "after",
         "after", "", {}, 1},
        {"one cut short by a command is dropped, the command taken", false, byteString({IAC, SB, 44, 107, IAC, DO, 24, 'z'}), "z",
         byteString({IAC, WONT, 24}), {}, 1},
        {"other commands and other options' subnegotiations carry no data", false,
         byteString({IAC, 241, 'a', IAC, 249, IAC, SE, IAC, SB, 24, 1, IAC, SE, 'b'}), "ab", "", {}, 0},
    };
    for (const auto& row : rows) {
        for (const bool byByte : {false, true}) {
            SCOPED_TRACE(std::string(row.rule) + (byByte ? ", a byte at a time" : ""));
            Session session;
            if (row.agreed)
                session.agree();
            if (byByte)
                for (const char c : row.wire)
                    session.feed(std::string(1, c));
            else
                session.feed(row.wire);
            EXPECT_EQ(session.data, row.data);
            EXPECT_EQ(session.replies, row.replies);
            EXPECT_EQ(session.subnegotiations, row.subnegotiations);
            EXPECT_EQ(session.codec.droppedSubnegotiations(), row.dropped);
        }
    }
}

TEST(TelnetCodecTest, AnUnknownOptionIsRefusedAFewTimesThenIgnored)
{
    Session session;
    std::string flood;
    for (int i = 0; i < 10000; ++i)
        flood += byteString({IAC, DO, 24});
    session.feed(flood);
    EXPECT_EQ(session.replies.size(), 3u * TelnetCodec::maxRefusals);
}

TEST(TelnetCodecTest, AServerTogglingAnOptionGetsOneAnswerPerChange)
{
    Session session;
    session.agree();
    std::string flood;
    for (int i = 0; i < 1000; ++i)
        flood += byteString({IAC, WONT, 0, IAC, WONT, 0, IAC, WILL, 0, IAC, WILL, 0});
    session.feed(flood);
    EXPECT_EQ(session.replies.size(), 1000u * 6u); // a DONT and a DO per round, the repeats unanswered
    EXPECT_TRUE(session.codec.serverSendsBinary());
}
