#include "buffer/Mv2BlockParser.h"
#include "common/UserPrompt.h"
#include "common/strings/BufferStrings.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

constexpr std::time_t kStart = 1780000000;

std::vector<uint8_t> HeaderBlock(uint32_t magic = kMv2Magic, uint32_t largeFrames = 1) {
    Mv2Header header = Mv2Header::Make(kFourCCMjpg, DibFormat::Rgb(64, 48, 24), kStart);
    header.SetMagic(magic);
    header.SetLargeFrames(largeFrames);
    return header.Serialize();
}

std::vector<uint8_t> RecordBlock(uint32_t time, uint32_t length, bool key, size_t dataBytes) {
    const auto fixed = Mv2RecordHeader{time, length, key}.Encode();
    std::vector<uint8_t> block(fixed.begin(), fixed.end());
    block.resize(block.size() + dataBytes, 0x42);
    return block;
}

class BlockParserTest : public ::testing::Test {
protected:
    BlockParserTest() : parser_(&prompt_) {}
    RecordingPrompt prompt_;
    Mv2BlockParser parser_;
};

TEST_F(BlockParserTest, HeaderBlockGivesTheStreamDescriptionAndBaseTime) {
    ASSERT_TRUE(parser_.ParseHeaderBlock(HeaderBlock()));
    EXPECT_EQ(parser_.Header().FourCC(), kFourCCMjpg);
    EXPECT_EQ(parser_.Header().Format().Width(), 64);
    EXPECT_EQ(parser_.BaseTime(), kStart);

    ASSERT_TRUE(parser_.ParseHeaderBlock(HeaderBlock(kMv2MagicOld)));
    EXPECT_EQ(parser_.BaseTime(), 0);
}

TEST_F(BlockParserTest, HeaderBlocksWithLengthsThatDontFitAreRefusedSilently) {
    auto block = HeaderBlock();
    EXPECT_FALSE(parser_.ParseHeaderBlock(std::span(block).first(block.size() - 1)));
    EXPECT_FALSE(parser_.ParseHeaderBlock(std::span(block).first(20)));
    block[30] = 39;  // format length below a bitmap header
    EXPECT_FALSE(parser_.ParseHeaderBlock(block));
    block[30] = 40;
    block[33] = 0x80;  // format length of 2 GB
    EXPECT_FALSE(parser_.ParseHeaderBlock(block));
    block = HeaderBlock();
    block[0] = 'x';
    EXPECT_FALSE(parser_.ParseHeaderBlock(block));
    EXPECT_FALSE(parser_.HasHeader());
    EXPECT_TRUE(prompt_.Entries().empty());
}

TEST_F(BlockParserTest, RecordBlockGivesTimeKeyFlagAndTheDataInPlace) {
    ASSERT_TRUE(parser_.ParseHeaderBlock(HeaderBlock()));
    const auto block = RecordBlock(150, 30, true, 30);
    ASSERT_TRUE(parser_.ParseRecordBlock(block));
    EXPECT_EQ(parser_.FrameTime(), kStart + 150);
    EXPECT_TRUE(parser_.IsKeyFrame());
    EXPECT_EQ(parser_.FrameData().data(), block.data() + 8);
    EXPECT_EQ(parser_.FrameData().size(), 30u);
}

TEST_F(BlockParserTest, RecordBlocksWhoseLengthDisagreesWithTheBlockAreRefused) {
    Mv2BlockParser noHeader;
    EXPECT_FALSE(noHeader.ParseRecordBlock(RecordBlock(150, 0, true, 0)));

    ASSERT_TRUE(parser_.ParseHeaderBlock(HeaderBlock()));
    const auto full = RecordBlock(150, 30, true, 30);
    for (size_t n : {0u, 3u, 4u, 7u}) {
        EXPECT_FALSE(parser_.ParseRecordBlock(std::span(full).first(n))) << n;
    }
    EXPECT_FALSE(parser_.ParseRecordBlock(RecordBlock(150, 31, true, 30)));
    EXPECT_FALSE(parser_.ParseRecordBlock(RecordBlock(150, 29, true, 30)));
    EXPECT_FALSE(parser_.ParseRecordBlock(RecordBlock(150, 0xFFFFFF, true, 30)));
    EXPECT_FALSE(parser_.ParseRecordBlock(RecordBlock(0, 30, true, 30)));
    EXPECT_TRUE(parser_.ParseRecordBlock(RecordBlock(150, 0, false, 0)));
    EXPECT_TRUE(prompt_.Entries().empty());
}

TEST_F(BlockParserTest, SmallFrameStreamsTake65534BytesAndReport915Above) {
    ASSERT_TRUE(parser_.ParseHeaderBlock(HeaderBlock(kMv2Magic, 0)));
    EXPECT_TRUE(parser_.ParseRecordBlock(RecordBlock(150, 65534, true, 65534)));
    EXPECT_FALSE(parser_.ParseRecordBlock(RecordBlock(151, 65535, true, 65535)));
    EXPECT_EQ(prompt_.Texts(), std::vector<QString>{Str(IDS_MV2_CORRUPTED)});
}

}  // namespace
}  // namespace korvex
