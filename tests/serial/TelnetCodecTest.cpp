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

TEST(TelnetCodecTest, StartOffersAndAsksForBinaryAndSuppressGoAheadAndOffersComPort)
{
    TelnetCodec codec(true);
    EXPECT_EQ(codec.start(), byteString({IAC, WILL, 0, IAC, DO, 0, IAC, WILL, 3, IAC, DO, 3, IAC, WILL, 44}));
    EXPECT_EQ(TelnetCodec(false).start().size(), 12u);
}

TEST(TelnetCodecTest, AnswersToOurRequestsAreNotAnsweredAgain)
{
    Session session;
    session.agree();
    EXPECT_EQ(session.replies, "");
    EXPECT_TRUE(session.codec.optionsSettled());
    EXPECT_TRUE(session.codec.comPortAgreed());
    EXPECT_TRUE(session.codec.serverSendsBinary());
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

TEST(TelnetCodecTest, CrNulFromAServerOutsideBinaryIsCr)
{
    Session session;
    session.feed(byteString({'a', '\r', 0, 'b', 0}));
    EXPECT_EQ(session.data, byteString({'a', '\r', 'b', 0}));
}

TEST(TelnetCodecTest, UnknownOptionsAreRefusedAFewTimesThenIgnored)
{
    Session session;
    session.feed(byteString({IAC, DO, 24, IAC, WILL, 1}));
    EXPECT_EQ(session.replies, byteString({IAC, WONT, 24, IAC, DONT, 1}));
    session.replies.clear();
    std::string flood;
    for (int i = 0; i < 10000; ++i)
        flood += byteString({IAC, DO, 24});
    session.feed(flood);
    EXPECT_EQ(session.replies.size(), 3u * (TelnetCodec::maxRefusals - 1));
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

TEST(TelnetCodecTest, ComPortRefusedIsTold)
{
    Session session;
    session.feed(byteString({IAC, DONT, 44}));
    EXPECT_TRUE(session.codec.comPortRefused());
    EXPECT_EQ(session.replies, "");
}

TEST(TelnetCodecTest, SubnegotiationsArriveWholeWithIacUndoubledAcrossReads)
{
    Session session;
    session.agree();
    const std::string wire = byteString({'a', IAC, SB, 44, 101, 0, 0, IAC, IAC, IAC, SE, 'b'});
    for (const char c : wire)
        session.feed(std::string(1, c));
    ASSERT_EQ(session.subnegotiations.size(), 1u);
    EXPECT_EQ(session.subnegotiations[0], byteString({101, 0, 0, IAC}));
    EXPECT_EQ(session.data, "ab");
}

TEST(TelnetCodecTest, OversizedSubnegotiationIsDroppedAndTheStreamGoesOn)
{
    Session session;
    session.feed(byteString({IAC, SB, 44}) + std::string(100000, 'x') + byteString({IAC, SE}) + "after");
    EXPECT_TRUE(session.subnegotiations.empty());
    EXPECT_EQ(session.codec.droppedSubnegotiations(), 1u);
    EXPECT_EQ(session.data, "after");
}

TEST(TelnetCodecTest, SubnegotiationCutShortByACommandIsDroppedAndTheCommandTaken)
{
    Session session;
    session.feed(byteString({IAC, SB, 44, 107, IAC, DO, 24, 'z'}));
    EXPECT_TRUE(session.subnegotiations.empty());
    EXPECT_EQ(session.replies, byteString({IAC, WONT, 24}));
    EXPECT_EQ(session.data, "z");
}

TEST(TelnetCodecTest, OtherCommandsAndOtherOptionsSubnegotiationsCarryNoData)
{
    Session session;
    session.feed(byteString({IAC, 241, 'a', IAC, 249, IAC, SE, IAC, SB, 24, 1, IAC, SE, 'b'}));
    EXPECT_EQ(session.data, "ab");
    EXPECT_TRUE(session.subnegotiations.empty());
}
