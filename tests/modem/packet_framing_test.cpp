#include "ScriptedPort.h"
#include "modem/PacketCrc.h"
#include "modem/PacketReceiver.h"
#include "modem/PacketTransmitter.h"
#include "support/TempDir.h"

#include <QFile>

#include <gmock/gmock.h>

#include <string>

namespace korvex {
namespace {

using test::ScriptedPort;

constexpr uint16_t kOwnId = 0x1111;
constexpr uint16_t kPeerId = 0x2222;

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// The wire bytes of one packet as a peer writes it.
std::vector<uint8_t> Wire(const std::vector<uint8_t>& payload, uint32_t tag,
                          uint16_t linkId = kPeerId) {
    PacketTransmitter transmitter(linkId);
    ScriptedPort port;
    CommPacket packet{payload.data(), uint16_t(payload.size()), tag, false, 0};
    transmitter.WritePacket(packet, port);
    return port.Written();
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

class FramingTest : public testing::Test {
protected:
    QString LogText() {
        QFile file(log_.Path());
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }
    // Runs receive steps until a packet is ready (or a bound is reached) and takes it.
    std::optional<std::pair<std::vector<uint8_t>, uint32_t>> Take(int steps = 8) {
        for (int i = 0; i < steps && receiver_.State() != STATE_PacketReady; ++i) {
            receiver_.Step(port_);
        }
        uint8_t buffer[512];
        const CommPacket packet = receiver_.GetPacket(sizeof buffer, buffer, port_);
        if (packet.IsNone()) {
            return std::nullopt;
        }
        return std::make_pair(std::vector<uint8_t>(packet.data, packet.data + packet.length),
                              packet.tag);
    }

    test::TempDir dir_;
    ModemLog log_{dir_.File(QStringLiteral("modemlog.txt"))};
    PacketReceiver receiver_{kOwnId, log_};
    ScriptedPort port_;
};

TEST(PacketCrcTest, CheckValues) {
    const auto abc = Bytes("abc");
    EXPECT_EQ(PacketCrc::Compute(abc), 0xCA6598D0u);
    EXPECT_EQ(PacketCrc::Compute({}), 0u);
}

TEST(PacketWireTest, HeaderLayout) {
    const auto payload = Bytes("abc");
    const auto wire = Wire(payload, MakePartTag(7, 2, 3, 1));
    const std::vector<uint8_t> expected = {0xFE, 0xED, 0xDC, 0xCA, 3, 0, 0x22, 0x22, 0xD0, 0x98,
                                           0x65, 0xCA, 1,    3,    2, 7, 'a',  'b',  'c'};
    EXPECT_EQ(wire, expected);
    const auto empty = Wire({}, MakePartTag(1, 1, 1, 0x82));
    ASSERT_EQ(empty.size(), 16u);
    EXPECT_EQ(empty[8] | empty[9] | empty[10] | empty[11], 0);
}

TEST_F(FramingTest, ResynchronisesMidPacketAndFindsTwoPacketsInOneRead) {
    const auto first = Wire(Bytes("first"), MakePartTag(1, 1, 1, 2));
    const auto second = Wire(Bytes("second"), MakePartTag(2, 1, 1, 2));
    const auto third = Wire({}, MakePartTag(3, 1, 1, 2));
    // Noise, the tail of a packet, a stray marker, then three packets in one read.
    std::vector<uint8_t> stream = {0x00, 0xFE, 0xED, 0x13};
    stream.insert(stream.end(), first.begin() + 5, first.end());
    port_.QueueRead(Concat({stream, first, second, third}));

    auto got = Take();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->first, Bytes("first"));
    // The next packet was found by the step GetPacket ran itself.
    EXPECT_EQ(receiver_.State(), STATE_PacketReady);
    got = Take(0);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->first, Bytes("second"));
    got = Take(0);
    ASSERT_TRUE(got);
    EXPECT_TRUE(got->first.empty());
    EXPECT_EQ(got->second, MakePartTag(3, 1, 1, 2));
}

TEST_F(FramingTest, HeaderAcrossTwoReads) {
    const auto wire = Wire(Bytes("split header"), MakePartTag(1, 1, 1, 2));
    port_.QueueRead(Concat(
        {std::vector<uint8_t>(40, 0x55), std::vector<uint8_t>(wire.begin(), wire.begin() + 9)}));
    port_.QueueRead(std::vector<uint8_t>(wire.begin() + 9, wire.end()));
    receiver_.Step(port_);
    EXPECT_EQ(receiver_.State(), STATE_FindData);
    EXPECT_LE(receiver_.Buffered(), 15u);
    const auto got = Take();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->first, Bytes("split header"));
}

TEST_F(FramingTest, CorruptedPayloadIsDroppedAndLoggedAndNextPacketFound) {
    auto bad = Wire(Bytes("corrupted"), MakePartTag(1, 1, 1, 2));
    bad[20] ^= 0x01;
    const auto good = Wire(Bytes("good"), MakePartTag(2, 1, 1, 2));
    port_.QueueRead(Concat({bad, good}));
    const auto got = Take();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->first, Bytes("good"));
    EXPECT_THAT(LogText().toStdString(),
                testing::HasSubstr("STATE_FindData: : ReceivePacketFromSerialPort() CRC failed"));
}

TEST_F(FramingTest, OwnEchoedPacketsAreIgnored) {
    const auto echo = Wire(Bytes("echo"), MakePartTag(1, 1, 1, 2), kOwnId);
    const auto peer = Wire(Bytes("peer"), MakePartTag(1, 1, 1, 2), kPeerId);
    port_.QueueRead(Concat({echo, peer}));
    const auto got = Take();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->first, Bytes("peer"));
    EXPECT_FALSE(Take());
}

TEST_F(FramingTest, OversizedValidPacketIsDroppedAndReceptionGoesOn) {
    // A well-formed packet of 600 payload bytes: no reader takes it, so it must not block
    // the packets behind it.
    std::vector<uint8_t> big(600, 0x42);
    std::vector<uint8_t> header = Wire(std::vector<uint8_t>(), 0);
    header[4] = uint8_t(big.size());
    header[5] = uint8_t(big.size() >> 8);
    const uint32_t crc = PacketCrc::Compute(big);
    for (int i = 0; i < 4; ++i) {
        header[8 + i] = uint8_t(crc >> (8 * i));
    }
    header[12] = 2;
    header[13] = 1;
    header[14] = 1;
    header[15] = 1;
    const auto next = Wire(Bytes("after"), MakePartTag(2, 1, 1, 2));
    port_.QueueRead(Concat({header, big, next}));
    const auto got = Take();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->first, Bytes("after"));
    EXPECT_THAT(LogText().toStdString(), testing::HasSubstr("longer than 512 bytes dropped"));
}

TEST_F(FramingTest, SmallBufferGetsNothing) {
    port_.QueueRead(Wire(Bytes("twelve bytes"), MakePartTag(1, 1, 1, 2)));
    receiver_.Step(port_);
    ASSERT_EQ(receiver_.State(), STATE_PacketReady);
    uint8_t small[4];
    EXPECT_TRUE(receiver_.GetPacket(sizeof small, small, port_).IsNone());
    EXPECT_TRUE(receiver_.GetPacket(512, nullptr, port_).IsNone());
    EXPECT_EQ(receiver_.State(), STATE_PacketReady);
}

// Hands out a fixed list of packets and records what was given back.
class ListSource : public CPacketSource {
public:
    explicit ListSource(std::vector<std::pair<std::vector<uint8_t>, uint32_t>> packets)
        : packets_(std::move(packets)) {}
    int MaxPacketSize() const override { return 512; }
    CommPacket GetPacket(size_t, uint8_t*) override {
        if (next_ >= packets_.size()) {
            return CommPacket{};
        }
        const auto& p = packets_[next_++];
        return CommPacket{p.first.data(), uint16_t(p.first.size()), p.second, false, 0};
    }
    void ReleasePacket(const CommPacket&) override { ++released_; }
    size_t released_ = 0;

private:
    std::vector<std::pair<std::vector<uint8_t>, uint32_t>> packets_;
    size_t next_ = 0;
};

TEST_F(FramingTest, PartialHeaderIsWrittenAgainInFullAndStillArrives) {
    const auto payload = Bytes("after a torn header");
    ListSource source({{payload, MakePartTag(1, 1, 1, 2)}});
    PacketTransmitter transmitter(kPeerId);
    ScriptedPort line;
    line.LimitWrites({10});
    EXPECT_EQ(transmitter.Pump(source, line), 1);
    EXPECT_TRUE(transmitter.HasStaged());
    EXPECT_EQ(source.released_, 1u);
    EXPECT_EQ(line.Written().size(), 10u);
    transmitter.ContinueStaged(line);
    EXPECT_FALSE(transmitter.HasStaged());
    // Ten torn bytes, then the whole packet.
    ASSERT_EQ(line.Written().size(), 10 + 16 + payload.size());
    EXPECT_TRUE(std::equal(line.Written().begin(), line.Written().begin() + 10,
                           line.Written().begin() + 10));

    port_.QueueRead(line.Written());
    const auto got = Take();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->first, payload);
}

TEST_F(FramingTest, PartlyWrittenPayloadIsStagedAndFinishedBeforeTheNextPacket) {
    const std::vector<uint8_t> a(300, 'a');
    const std::vector<uint8_t> b(100, 'b');
    ListSource source({{a, MakePartTag(1, 1, 1, 2)}, {b, MakePartTag(2, 1, 1, 2)}});
    PacketTransmitter transmitter(kPeerId);
    ScriptedPort line;
    line.LimitWrites({16, 120, 0, 50});
    transmitter.Pump(source, line);
    EXPECT_TRUE(transmitter.HasStaged());
    EXPECT_EQ(transmitter.Pump(source, line), 0);  // nothing new while staged
    transmitter.ContinueStaged(line);
    transmitter.ContinueStaged(line);
    EXPECT_TRUE(transmitter.HasStaged());
    transmitter.ContinueStaged(line);
    EXPECT_FALSE(transmitter.HasStaged());
    transmitter.Pump(source, line);
    EXPECT_FALSE(transmitter.HasStaged());

    port_.QueueRead(line.Written());
    auto got = Take();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->first, a);
    got = Take();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->first, b);
}

TEST_F(FramingTest, NoiseNeverGrowsTheBuffer) {
    std::vector<uint8_t> noise(5000);
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = (i % 7 == 0) ? 0xFE : uint8_t(i * 31);
    }
    port_.QueueRead(noise);
    for (int i = 0; i < 10; ++i) {
        receiver_.Step(port_);
        EXPECT_LE(receiver_.Buffered(), kReceiveBufferBytes);
    }
    EXPECT_FALSE(Take());
}

}  // namespace
}  // namespace korvex
