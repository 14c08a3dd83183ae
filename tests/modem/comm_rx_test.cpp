#include "LinkPair.h"
#include "modem/CommModem.h"

#include <gmock/gmock.h>

#include <random>

namespace korvex {
namespace {

using test::HeaderTag;
using test::LinkPair;
using testing::HasSubstr;

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = uint8_t(seed + i * 7 + (i >> 8));
    }
    return bytes;
}

// Drops, once each, the header writes from `side` whose tag matches.
struct DropOnce {
    int side;
    uint32_t tag;
    bool done = false;
    int seen = 0;  // matching headers written, the dropped one included
    bool operator()(int from, std::span<const uint8_t> bytes) {
        const auto tagged = HeaderTag(bytes);
        if (from != side || !tagged || *tagged != tag) {
            return false;
        }
        ++seen;
        if (done) {
            return false;
        }
        done = true;
        return true;
    }
};

TEST(CommRxTest, CallIsOfferedAnsweredAfterTheWaitAndConnectsBothEnds) {
    LinkPair pair;
    ASSERT_TRUE(pair.b.Listen(-1));
    ASSERT_TRUE(pair.a.Call(QStringLiteral("B"), -1));
    pair.scheduler.RunMs(3900);
    EXPECT_FALSE(pair.b.IsConnected());
    EXPECT_THAT(pair.ownerB.statuses, testing::ElementsAre(kCommStatusRinging));
    pair.scheduler.RunMs(300);
    EXPECT_TRUE(pair.a.IsConnected());
    EXPECT_TRUE(pair.b.IsConnected());
    EXPECT_THAT(pair.ownerA.statuses, testing::ElementsAre(kCommStatusCalling, kCommStatusUp));
    const QString log = LinkPair::LogOf(pair.logB);
    EXPECT_THAT(log.toStdString(), HasSubstr("VOnCallbackProc(): : LINECALLSTATE_OFFERING"));
    EXPECT_THAT(log.toStdString(), HasSubstr("VOnCallbackProc(): : LINECALLSTATE_CONNECTED"));
}

TEST(CommRxTest, CallToNobodyEndsDisconnectedAsUnreachable) {
    LinkPair pair;
    ASSERT_TRUE(pair.a.Call(QStringLiteral("nobody"), -1));
    pair.scheduler.RunMs(100);
    EXPECT_FALSE(pair.a.IsConnected());
    EXPECT_EQ(pair.ownerA.downs, 1);
    EXPECT_THAT(LinkPair::LogOf(pair.logA).toStdString(),
                HasSubstr("LINECALLSTATE_DISCONNECTED: : Remote computer could not be reached."));
}

TEST(CommRxTest, MessagesOfAnySizeArriveWholeWithTheirTypes) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    const auto big = Pattern(1300, 3);
    ASSERT_TRUE(pair.a.XmitData(big, 2));
    EXPECT_EQ(pair.a.SendQueueSize(), 3u);  // 512 + 512 + 276
    ASSERT_TRUE(pair.a.XmitData({}, 17));
    ASSERT_TRUE(pair.b.XmitData(Pattern(10, 9), 5));
    ASSERT_TRUE(pair.scheduler.RunUntil([&] { return pair.ownerB.messages.size() == 2; }, 20000));
    EXPECT_EQ(pair.ownerB.messages[0].type, 2);
    EXPECT_EQ(pair.ownerB.messages[0].bytes, big);
    EXPECT_EQ(pair.ownerB.messages[1].type, 17);
    EXPECT_TRUE(pair.ownerB.messages[1].bytes.empty());
    EXPECT_EQ(pair.ownerB.dataNotices, 2);
    ASSERT_TRUE(pair.scheduler.RunUntil([&] { return pair.ownerA.messages.size() == 1; }, 5000));
    EXPECT_EQ(pair.ownerA.messages[0].bytes, Pattern(10, 9));
    pair.scheduler.RunMs(2000);
    EXPECT_EQ(pair.a.SentCount(), 0u);
}

TEST(CommRxTest, MessageNumberWrapsFrom255To0) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    for (int i = 0; i < 258; ++i) {
        ASSERT_TRUE(pair.a.XmitData(Pattern(3, uint8_t(i)), 1));
    }
    ASSERT_TRUE(
        pair.scheduler.RunUntil([&] { return pair.ownerB.messages.size() == 258; }, 120000));
    for (int i = 0; i < 258; ++i) {
        EXPECT_EQ(pair.ownerB.messages[size_t(i)].bytes, Pattern(3, uint8_t(i))) << i;
    }
}

TEST(CommRxTest, LostMiddlePartIsHeldForAndRecoveredOnce) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    DropOnce drop{0, MakePartTag(1, 2, 3, 2)};
    int resent = 0;
    pair.line.SetDropFilter([&](int side, std::span<const uint8_t> bytes) {
        const auto tag = HeaderTag(bytes);
        if (side == 0 && tag && *tag == MakePartTag(1, 2, 3, 2 | 0x40)) {
            ++resent;
        }
        return drop(side, bytes);
    });
    const auto message = Pattern(1300, 1);
    ASSERT_TRUE(pair.a.XmitData(message, 2));
    ASSERT_TRUE(pair.scheduler.RunUntil([&] { return pair.ownerB.messages.size() == 1; }, 20000));
    pair.scheduler.RunMs(10000);
    EXPECT_EQ(pair.ownerB.messages.size(), 1u);
    EXPECT_EQ(pair.ownerB.messages[0].bytes, message);
    EXPECT_EQ(resent, 1);
    EXPECT_EQ(pair.b.HeldCount(), 0u);
    EXPECT_EQ(pair.a.SentCount(), 0u);
    EXPECT_THAT(LinkPair::LogOf(pair.logB).toStdString(),
                HasSubstr("CCommRx::AddPacketIn(): OUT OF ORDER PACKET"));
}

TEST(CommRxTest, DuplicatePartIsAcknowledgedAgainAndDropped) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    ASSERT_TRUE(pair.a.XmitData(Pattern(20, 4), 3));
    ASSERT_TRUE(pair.scheduler.RunUntil([&] { return pair.ownerB.messages.size() == 1; }, 5000));
    pair.scheduler.RunMs(500);
    // The same part once more, as a retransmission whose acknowledgement crossed it.
    const auto payload = Pattern(20, 4);
    pair.b.AddPacketIn(payload, MakePartTag(1, 1, 1, 3 | 0x40));
    EXPECT_EQ(pair.b.SendQueueSize(), 1u);  // the acknowledgement
    pair.scheduler.RunMs(2000);
    EXPECT_EQ(pair.ownerB.messages.size(), 1u);
    EXPECT_THAT(LinkPair::LogOf(pair.logB).toStdString(),
                HasSubstr("CCommRx::AddPacketIn(): OLD or REDUNDANT PACKET"));
}

TEST(CommRxTest, FullWindowHoldsDataWhileControlMessagesPass) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    // Nothing from "a" gets through, so nothing is acknowledged.
    pair.line.SetDropFilter([](int side, std::span<const uint8_t>) { return side == 0; });
    ASSERT_TRUE(pair.a.XmitData(Pattern(6 * 512, 1), 2));
    pair.scheduler.RunMs(1500);
    EXPECT_EQ(pair.a.SentCount(), 4u);
    EXPECT_EQ(pair.a.SendQueueSize(), 2u);
    pair.line.SetDropFilter(nullptr);
    ASSERT_TRUE(pair.a.SendControl(9));
    pair.scheduler.RunMs(400);
    EXPECT_THAT(pair.ownerB.controls, testing::ElementsAre(9));
    EXPECT_TRUE(pair.ownerB.messages.empty());
    EXPECT_EQ(pair.a.SentCount(), 4u);
}

TEST(CommRxTest, ProbesAfterFourSecondsAndAbortsOnTheSeventhStall) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    pair.line.SetDropFilter([](int side, std::span<const uint8_t>) { return side == 0; });
    ASSERT_TRUE(pair.a.XmitData(Pattern(512, 1), 2));
    pair.scheduler.RunMs(3900);
    EXPECT_TRUE(pair.ownerA.statuses.empty() || pair.ownerA.statuses.back() != kCommStatusStalled);
    pair.scheduler.RunMs(400);
    EXPECT_EQ(
        std::count(pair.ownerA.statuses.begin(), pair.ownerA.statuses.end(), kCommStatusStalled),
        1);
    ASSERT_TRUE(pair.scheduler.RunUntil([&] { return pair.ownerA.aborts > 0; }, 40000));
    EXPECT_EQ(
        std::count(pair.ownerA.statuses.begin(), pair.ownerA.statuses.end(), kCommStatusStalled),
        7);
    EXPECT_THAT(LinkPair::LogOf(pair.logA).toStdString(),
                HasSubstr("CCommRx::WTimerUserOnTimer(): Transmission stalled - requesting if "
                          "retransmission needed"));
}

TEST(CommRxTest, LostAcknowledgementsOfAFullWindowAreRecoveredByTheProbe) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    // Every acknowledgement of the first four parts is lost.
    bool blockB = true;
    pair.line.SetDropFilter(
        [&](int side, std::span<const uint8_t>) { return side == 1 && blockB; });
    const auto message = Pattern(6 * 512, 5);
    ASSERT_TRUE(pair.a.XmitData(message, 2));
    pair.scheduler.RunMs(2000);
    EXPECT_EQ(pair.a.SentCount(), 4u);
    blockB = false;
    ASSERT_TRUE(pair.scheduler.RunUntil([&] { return pair.ownerB.messages.size() == 1; }, 40000));
    EXPECT_EQ(pair.ownerB.messages[0].bytes, message);
    EXPECT_EQ(pair.ownerA.aborts, 0);
    pair.scheduler.RunMs(6000);
    EXPECT_EQ(pair.a.SentCount(), 0u);
}

TEST(CommRxTest, LostLastPartOnAQuietLinkIsProbedForAndResentEvenWhenEmpty) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    DropOnce drop{0, MakePartTag(1, 1, 1, 5)};
    pair.line.SetDropFilter(std::ref(drop));
    ASSERT_TRUE(pair.a.XmitData({}, 5));
    ASSERT_TRUE(pair.scheduler.RunUntil([&] { return pair.ownerB.messages.size() == 1; }, 15000));
    EXPECT_TRUE(drop.done);
    // Resent with the retransmission mark, delivered with its own type.
    EXPECT_EQ(pair.ownerB.messages[0].type, 5);
    EXPECT_TRUE(pair.ownerB.messages[0].bytes.empty());
}

TEST(CommRxTest, LostLastAcknowledgementIsRecoveredByTheProbe) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    bool dropped = false;
    pair.line.SetDropFilter([&](int side, std::span<const uint8_t> bytes) {
        const auto tag = HeaderTag(bytes);
        if (side == 1 && tag && TagType(*tag) == PKT_ACK && !dropped) {
            dropped = true;
            return true;
        }
        return false;
    });
    ASSERT_TRUE(pair.a.XmitData(Pattern(100, 2), 1));
    ASSERT_TRUE(pair.scheduler.RunUntil([&] { return pair.ownerB.messages.size() == 1; }, 5000));
    pair.scheduler.RunMs(1000);
    EXPECT_TRUE(dropped);
    EXPECT_EQ(pair.a.SentCount(), 1u);
    ASSERT_TRUE(pair.scheduler.RunUntil([&] { return pair.a.SentCount() == 0; }, 10000));
    EXPECT_EQ(pair.ownerB.messages.size(), 1u);
    EXPECT_EQ(pair.ownerA.aborts, 0);
}

TEST(CommRxTest, HeldPartsAreWalkedUntilNoneIsNextAndStaleOnesGo) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    const auto part = Pattern(512, 1);
    const auto last = Pattern(10, 2);
    pair.b.AddPacketIn(part, MakePartTag(1, 1, 4, 2));
    pair.b.AddPacketIn(last, MakePartTag(1, 4, 4, 2));
    pair.b.AddPacketIn(part, MakePartTag(1, 3, 4, 2));
    pair.b.AddPacketIn(part, MakePartTag(1, 3, 4, 2));  // held already: kept once
    EXPECT_EQ(pair.b.HeldCount(), 2u);
    // Part 2 makes part 3 next, and part 3 makes part 4 next.
    pair.b.AddPacketIn(part, MakePartTag(1, 2, 4, 2));
    EXPECT_EQ(pair.b.HeldCount(), 0u);
    pair.scheduler.RunMs(200);
    ASSERT_EQ(pair.ownerB.messages.size(), 1u);
    EXPECT_EQ(pair.ownerB.messages[0].bytes.size(), 3 * 512 + 10u);

    pair.b.AddPacketIn(part, MakePartTag(2, 1, 3, 2));
    pair.b.AddPacketIn(part, MakePartTag(2, 3, 3, 2));
    pair.b.AddPacketIn(part, MakePartTag(2, 2, 3, 2));
    pair.b.AddPacketIn(part, MakePartTag(3, 1, 1, 2));
    EXPECT_EQ(pair.b.HeldCount(), 0u);
    pair.b.AddPacketIn(part, MakePartTag(5, 1, 1, 2));
    pair.b.AddPacketIn(part, MakePartTag(4, 1, 1, 2));
    EXPECT_EQ(pair.b.HeldCount(), 0u);
    pair.scheduler.RunMs(200);
    EXPECT_EQ(pair.ownerB.messages.size(), 5u);
}

TEST(CommRxTest, HostilePartTagsNeitherDeliverNorGrowTheHeldList) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    const auto part = Pattern(40, 1);
    std::mt19937 random(7);
    for (int i = 0; i < 5000; ++i) {
        pair.b.AddPacketIn(part, random() & 0xFFFF3F3F);  // any data part tag
        EXPECT_LE(pair.b.HeldCount(), CCommRx::kMaxHeld);
    }
    pair.b.AddPacketIn(part, MakePartTag(1, 0, 3, 2));
    pair.b.AddPacketIn(part, MakePartTag(1, 4, 3, 2));
    pair.b.AddPacketIn(part, MakePartTag(1, 1, 0, 2));
    EXPECT_LE(pair.b.HeldCount(), CCommRx::kMaxHeld);
    pair.scheduler.RunMs(5000);
    for (const auto& message : pair.ownerB.messages) {
        EXPECT_EQ(message.bytes.size() % 40, 0u);
    }
}

TEST(CommRxTest, OverlongMessageIsRefusedAndLogged) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    std::vector<uint8_t> tooLong(CCommRx::kMaxMessageBytes + 1);
    EXPECT_FALSE(pair.a.XmitData(tooLong, 1));
    EXPECT_EQ(pair.a.SendQueueSize(), 0u);
    EXPECT_THAT(LinkPair::LogOf(pair.logA).toStdString(),
                HasSubstr("CCommRX::XmitData(): Message longer than 130560 bytes refused."));
    tooLong.pop_back();
    EXPECT_TRUE(pair.a.XmitData(tooLong, 1));
    EXPECT_EQ(pair.a.SendQueueSize(), 255u);
    EXPECT_FALSE(pair.a.XmitData({}, 0x40));
}

TEST(CommRxTest, ReadMessageNeverWritesPastTheBuffer) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    QObject::disconnect(&pair.b, &CCommRx::commData, nullptr, nullptr);
    ASSERT_TRUE(pair.a.XmitData(Pattern(100, 1), 5));
    ASSERT_TRUE(pair.a.XmitData(Pattern(8, 2), 6));
    ASSERT_TRUE(pair.scheduler.RunUntil([&] { return pair.b.AssemblyCount() == 2; }, 5000));
    pair.scheduler.RunMs(500);
    std::vector<uint8_t> memory(64, 0xAA);
    const ReceivedMessage big = pair.b.ReadMessage(std::span<uint8_t>(memory.data(), 16));
    EXPECT_TRUE(big.tooLarge);
    EXPECT_EQ(big.size, 100u);
    EXPECT_EQ(std::count(memory.begin(), memory.end(), 0xAA), 64);
    const ReceivedMessage next = pair.b.ReadMessage(std::span<uint8_t>(memory.data(), 16));
    EXPECT_FALSE(next.tooLarge);
    EXPECT_EQ(next.type, 6);
    EXPECT_EQ(std::vector<uint8_t>(memory.begin(), memory.begin() + 8), Pattern(8, 2));
    EXPECT_EQ(memory[8], 0xAA);
    EXPECT_THAT(LinkPair::LogOf(pair.logB).toStdString(),
                HasSubstr("Message larger than the reader's buffer dropped."));
}

TEST(CommRxTest, EndsStartedAtTheSameMomentDrawDifferentLinkIdentifiers) {
    std::set<uint16_t> ids;
    for (int i = 0; i < 6; ++i) {
        ids.insert(CCommModem::DrawLinkId());
    }
    EXPECT_GT(ids.size(), 1u);
}

TEST(CommRxTest, VanishingLineEndsTheCallWithDown) {
    LinkPair pair;
    ASSERT_TRUE(pair.Connect());
    pair.line.Cut();
    pair.scheduler.RunMs(300);
    EXPECT_EQ(pair.ownerA.downs, 1);
    EXPECT_EQ(pair.ownerB.downs, 1);
    EXPECT_FALSE(pair.a.IsConnected());
    EXPECT_FALSE(pair.b.IsConnected());
}

class LossyLinkTest : public testing::TestWithParam<uint32_t> {};

TEST_P(LossyLinkTest, RandomMessagesArriveWholeInOrderAndOnce) {
    test::LineFaults faults;
    faults.lossRate = 0.03;
    faults.corruptRate = 0.03;
    faults.duplicateRate = 0.03;
    faults.oneWayDelayMs = 75;
    faults.acceptLimit = 300;
    faults.seed = GetParam();
    LinkPair pair(faults);
    ASSERT_TRUE(pair.Connect());
    std::mt19937 random(GetParam());
    std::vector<std::vector<uint8_t>> toB;
    std::vector<std::vector<uint8_t>> toA;
    for (int i = 0; i < 40; ++i) {
        std::vector<uint8_t> message(random() % 2500);
        for (auto& byte : message) {
            byte = uint8_t(random());
        }
        ASSERT_TRUE(pair.a.XmitData(message, uint8_t(i % 32)));
        toB.push_back(std::move(message));
        if (i % 4 == 0) {
            std::vector<uint8_t> reply(random() % 700, uint8_t(i));
            ASSERT_TRUE(pair.b.XmitData(reply, 1));
            toA.push_back(std::move(reply));
        }
    }
    ASSERT_TRUE(pair.scheduler.RunUntil(
        [&] {
            return pair.ownerB.messages.size() >= toB.size() &&
                   pair.ownerA.messages.size() >= toA.size();
        },
        600000));
    pair.scheduler.RunMs(10000);
    ASSERT_EQ(pair.ownerB.messages.size(), toB.size());
    for (size_t i = 0; i < toB.size(); ++i) {
        EXPECT_EQ(pair.ownerB.messages[i].bytes, toB[i]) << i;
        EXPECT_EQ(pair.ownerB.messages[i].type, int(i % 32));
    }
    ASSERT_EQ(pair.ownerA.messages.size(), toA.size());
    for (size_t i = 0; i < toA.size(); ++i) {
        EXPECT_EQ(pair.ownerA.messages[i].bytes, toA[i]) << i;
    }
    EXPECT_EQ(pair.ownerA.aborts, 0);
    EXPECT_EQ(pair.ownerB.aborts, 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, LossyLinkTest, testing::Values(42u, 7u, 1234u, 99u));

}  // namespace
}  // namespace korvex
