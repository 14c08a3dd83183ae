#include "video/FrameCompressor.h"

#include "common/FourCC.h"
#include "common/strings/VideoStrings.h"
#include "video/FrameDecompressor.h"

#include "video/TestFrames.h"

#include <gmock/gmock.h>

namespace korvex {
namespace {

using test::MakeTestFrame;
using test::Psnr;
using testing::ElementsAre;

constexpr uint32_t kFmp4 = MakeFourCC('F', 'M', 'P', '4');
constexpr uint32_t kH264 = MakeFourCC('H', '2', '6', '4');
constexpr uint32_t kFfv1 = MakeFourCC('F', 'F', 'V', '1');

// A codec whose behaviour a test sets: the failures no real codec shows on demand.
class ScriptedEncoder : public FrameEncoder {
public:
    struct Script {
        bool failEncode = false;
        int outputBits = 24;
    };
    explicit ScriptedEncoder(Script script) : script_(script) {}
    bool Accepts(const DibFormat&) const override { return true; }
    DibFormat OutputFormat(const DibFormat& in) const override {
        DibFormat out = DibFormat::FromBytes(in.Bytes().first(sizeof(BitmapInfoHeader)));
        out.Header().biBitCount = static_cast<uint16_t>(script_.outputBits);
        out.Header().biCompression = MakeFourCC('T', 'E', 'S', 'T');
        return out;
    }
    size_t MaxFrameBytes(const DibFormat&) const override { return 16; }
    bool Begin(const DibFormat&, const DibFormat&, int) override { return true; }
    std::optional<EncodedFrame> Encode(std::span<const uint8_t>, bool key, int,
                                       std::vector<uint8_t>&) override {
        if (script_.failEncode) {
            return std::nullopt;
        }
        return EncodedFrame{1, key};
    }
    void End() override {}

private:
    Script script_;
};

CodecRegistry ScriptedRegistry(ScriptedEncoder::Script script) {
    CodecRegistry registry;
    registry.Register({MakeFourCC('T', 'E', 'S', 'T'),
                       "Scripted test codec",
                       [script] { return std::make_unique<ScriptedEncoder>(script); },
                       {}});
    return registry;
}

std::vector<QString> Texts(const RecordingPrompt& prompt) {
    return prompt.Texts();
}

TEST(FrameCompressorTest, UncompressedFramesAreCopiesAndAllKeyFrames) {
    RecordingPrompt prompt;
    FrameCompressor compressor(prompt);
    const DibFormat format = DibFormat::Rgb(320, 240, 24);
    ASSERT_TRUE(compressor.OpenCompressor(kFourCCDib, format));
    EXPECT_EQ(compressor.Describe(), "Uncompressed.");
    EXPECT_EQ(compressor.OutFormat(), format);

    FrameDecompressor decompressor(prompt);
    ASSERT_TRUE(decompressor.OpenDecompressor(kFourCCDib, compressor.OutFormat()));
    for (int i = 0; i < 3; ++i) {
        const auto frame = MakeTestFrame(320, 240, i);
        const auto compressed = compressor.CompressFrame(frame);
        ASSERT_TRUE(compressed);
        EXPECT_TRUE(compressed->keyFrame);
        ASSERT_TRUE(decompressor.DecompressFrame(compressed->data));
        EXPECT_TRUE(std::ranges::equal(decompressor.OutBits(), frame));
    }
    EXPECT_TRUE(prompt.Texts().empty());
}

TEST(FrameCompressorTest, EightBitFormatsGetTheFullColourTable) {
    RecordingPrompt prompt;
    FrameCompressor compressor(prompt);
    DibFormat format = DibFormat::Rgb(160, 120, 8);
    format.SetColourCount(16);
    format.Header().biClrUsed = 0;  // "all 256", though only 16 entries came with it
    ASSERT_TRUE(compressor.OpenCompressor(kFourCCDib, format));
    EXPECT_EQ(compressor.OutFormat().Size(), 1064u);
    EXPECT_EQ(compressor.OutFormat().Header().biClrUsed, 256u);
    EXPECT_EQ(compressor.OutFormat().ColourTable()[15].red, format.ColourTable()[15].red);

    // A codec giving an 8-bit format without its table gets room for the table too.
    const CodecRegistry codecs = ScriptedRegistry({.outputBits = 8});
    FrameCompressor scripted(prompt, codecs);
    ASSERT_TRUE(
        scripted.OpenCompressor(MakeFourCC('T', 'E', 'S', 'T'), DibFormat::Rgb(64, 48, 24)));
    EXPECT_EQ(scripted.OutFormat().Size(), 1064u);
    EXPECT_EQ(scripted.OutFormat().Header().biClrUsed, 256u);
}

TEST(FrameCompressorTest, UncompressedDecompressorRefusesRecordsOfTheWrongSize) {
    RecordingPrompt prompt;
    FrameDecompressor decompressor(prompt);
    const DibFormat format = DibFormat::Rgb(32, 16, 24);
    ASSERT_TRUE(decompressor.OpenDecompressor(kFourCCDib, format));
    std::vector<uint8_t> tooLong(format.ImageBytes() + 100, 7);
    std::vector<uint8_t> tooShort(format.ImageBytes() - 1, 7);
    EXPECT_FALSE(decompressor.DecompressFrame(tooLong));
    EXPECT_FALSE(decompressor.DecompressFrame(tooShort));
    EXPECT_THAT(Texts(prompt),
                ElementsAre(Str(IDS_DECOMPRESS_FRAME_FAILED), Str(IDS_DECOMPRESS_FRAME_FAILED)));
    EXPECT_EQ(decompressor.OutBits().size(), static_cast<size_t>(format.ImageBytes()));
}

TEST(FrameCompressorTest, MjpgRoundTripKeepsThePicture) {
    RecordingPrompt prompt;
    FrameCompressor compressor(prompt);
    compressor.SetQuality(90);
    const DibFormat format = DibFormat::Rgb(320, 240, 24);
    ASSERT_TRUE(compressor.OpenCompressor(kFourCCMjpg, format));
    EXPECT_EQ(compressor.OutFormat().Compression(), kFourCCMjpg);
    FrameDecompressor decompressor(prompt);
    ASSERT_TRUE(decompressor.OpenDecompressor(kFourCCMjpg, compressor.OutFormat()));
    for (int i = 0; i < 3; ++i) {
        const auto frame = MakeTestFrame(320, 240, i);
        const auto compressed = compressor.CompressFrame(frame);
        ASSERT_TRUE(compressed);
        EXPECT_TRUE(compressed->keyFrame);
        EXPECT_LT(compressed->data.size(), frame.size() / 4);
        EXPECT_EQ(compressor.OutFormat().Header().biSizeImage, compressed->data.size());
        ASSERT_TRUE(decompressor.DecompressFrame(compressed->data));
        EXPECT_GT(Psnr(decompressor.OutBits(), frame), 35.0);
    }
    EXPECT_TRUE(prompt.Texts().empty());
}

TEST(FrameCompressorTest, NarrowOddSizedPicturesRoundTrip) {
    // Rows of 41 pixels are not a multiple of any vector width: the decoder's conversion
    // must neither write past them nor shift the picture.
    RecordingPrompt prompt;
    FrameCompressor compressor(prompt);
    ASSERT_TRUE(compressor.OpenCompressor(kFourCCMjpg, DibFormat::Rgb(41, 31, 24)));
    FrameDecompressor decompressor(prompt);
    ASSERT_TRUE(decompressor.OpenDecompressor(kFourCCMjpg, compressor.OutFormat()));
    std::vector<uint8_t> frame(static_cast<size_t>(DibImageBytes(41, 31, 24)), 0);
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<uint8_t>(i % 124 < 123 ? 60 + (i % 124) : 0);
    }
    const auto compressed = compressor.CompressFrame(frame);
    ASSERT_TRUE(compressed);
    ASSERT_TRUE(decompressor.DecompressFrame(compressed->data));
    EXPECT_GT(Psnr(decompressor.OutBits(), frame), 30.0);
}

// Compresses `count` test frames; returns each frame's bytes and key flag.
std::vector<std::pair<std::vector<uint8_t>, bool>> CompressFrames(FrameCompressor& compressor,
                                                                  int count, int forceKeyAt = -1) {
    std::vector<std::pair<std::vector<uint8_t>, bool>> frames;
    for (int i = 0; i < count; ++i) {
        if (i == forceKeyAt) {
            compressor.ForceKeyFrame();
        }
        const auto compressed = compressor.CompressFrame(MakeTestFrame(320, 240, i));
        if (!compressed) {
            return {};
        }
        frames.emplace_back(std::vector<uint8_t>(compressed->data.begin(), compressed->data.end()),
                            compressed->keyFrame);
    }
    return frames;
}

std::vector<int> KeyFrames(const std::vector<std::pair<std::vector<uint8_t>, bool>>& frames) {
    std::vector<int> keys;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i].second) {
            keys.push_back(static_cast<int>(i));
        }
    }
    return keys;
}

TEST(FrameCompressorTest, Fmp4StreamHasKeyFramesEvery25FramesThatDecodeOnTheirOwn) {
    RecordingPrompt prompt;
    FrameCompressor compressor(prompt);
    ASSERT_TRUE(compressor.OpenCompressor(kFmp4, DibFormat::Rgb(320, 240, 24)));
    EXPECT_EQ(compressor.OutFormat().Size(), sizeof(BitmapInfoHeader));
    const auto frames = CompressFrames(compressor, 60);
    ASSERT_EQ(frames.size(), 60u);
    EXPECT_THAT(KeyFrames(frames), ElementsAre(0, 25, 50));

    for (int key : {0, 25, 50}) {
        FrameDecompressor decompressor(prompt);
        ASSERT_TRUE(decompressor.OpenDecompressor(kFmp4, compressor.OutFormat()));
        for (int i = key; i < key + 5; ++i) {
            ASSERT_TRUE(decompressor.DecompressFrame(frames[i].first)) << i;
            EXPECT_GT(Psnr(decompressor.OutBits(), MakeTestFrame(320, 240, i)), 30.0) << i;
        }
    }
    EXPECT_TRUE(prompt.Texts().empty());
}

TEST(FrameCompressorTest, ForceKeyFrameAndAClearedIntervalGiveKeyFrames) {
    RecordingPrompt prompt;
    FrameCompressor compressor(prompt);
    compressor.SetKeyInterval(0);  // the chooser's key-frame box left empty
    EXPECT_EQ(compressor.KeyInterval(), FrameCompressor::kDefaultKeyInterval);
    ASSERT_TRUE(compressor.OpenCompressor(kFmp4, DibFormat::Rgb(320, 240, 24)));
    EXPECT_THAT(KeyFrames(CompressFrames(compressor, 30, 7)), ElementsAre(0, 7));
}

TEST(FrameCompressorTest, H264AndFfv1KeyFramesDecodeOnTheirOwn) {
    for (uint32_t handler : {kH264, kFfv1}) {
        SCOPED_TRACE(FourCCToString(handler));
        RecordingPrompt prompt;
        FrameCompressor compressor(prompt);
        compressor.SetKeyInterval(10);
        ASSERT_TRUE(compressor.OpenCompressor(handler, DibFormat::Rgb(320, 240, 24)));
        const auto frames = CompressFrames(compressor, 25);
        ASSERT_EQ(frames.size(), 25u);
        EXPECT_THAT(KeyFrames(frames), ElementsAre(0, 10, 20));
        FrameDecompressor decompressor(prompt);
        ASSERT_TRUE(decompressor.OpenDecompressor(handler, compressor.OutFormat()));
        for (int i = 10; i < 13; ++i) {
            ASSERT_TRUE(decompressor.DecompressFrame(frames[i].first));
            const double psnr = Psnr(decompressor.OutBits(), MakeTestFrame(320, 240, i));
            EXPECT_GT(psnr, handler == kFfv1 ? 98.0 : 30.0);
        }
        EXPECT_TRUE(prompt.Texts().empty());
    }
}

TEST(FrameCompressorTest, FailedFrameAndFallBackToUncompressed) {
    RecordingPrompt prompt;
    const CodecRegistry codecs = ScriptedRegistry({.failEncode = true});
    FrameCompressor compressor(prompt, codecs);
    const DibFormat format = DibFormat::Rgb(64, 48, 24);
    ASSERT_TRUE(compressor.OpenCompressor(MakeFourCC('T', 'E', 'S', 'T'), format));
    EXPECT_EQ(compressor.Describe(), "Scripted test codec");
    EXPECT_FALSE(compressor.CompressFrame(MakeTestFrame(64, 48, 0)));
    ASSERT_TRUE(compressor.FallBackToUncompressed());
    EXPECT_THAT(Texts(prompt),
                ElementsAre(Str(IDS_COMPRESS_FRAME_FAILED), Str(IDS_COMPRESSOR_NOW_UNCOMPRESSED)));
    EXPECT_EQ(compressor.Handler(), kFourCCDib);
    EXPECT_TRUE(compressor.IsReady());
    const auto frame = MakeTestFrame(64, 48, 1);
    const auto compressed = compressor.CompressFrame(frame);
    ASSERT_TRUE(compressed);
    EXPECT_TRUE(std::ranges::equal(compressed->data, frame));
}

TEST(FrameCompressorTest, CodecsThatCannotOpenLeaveTheCompressorClosed) {
    RecordingPrompt prompt;
    FrameCompressor compressor(prompt);
    EXPECT_FALSE(
        compressor.OpenCompressor(MakeFourCC('n', 'o', 'n', 'e'), DibFormat::Rgb(320, 240, 24)));
    EXPECT_FALSE(compressor.IsReady());
    EXPECT_EQ(compressor.Describe(), "No compressor chosen.");
    EXPECT_FALSE(compressor.CompressFrame(MakeTestFrame(320, 240, 0)));
    // libx264 takes only even picture sizes for its 4:2:0 input.
    EXPECT_FALSE(compressor.OpenCompressor(kH264, DibFormat::Rgb(321, 241, 24)));
    EXPECT_FALSE(compressor.IsReady());
    EXPECT_THAT(Texts(prompt), ElementsAre(Str(IDS_COMPRESSOR_OPEN_FAILED),
                                           Str(IDS_COMPRESSOR_FORMAT_UNSUPPORTED)));

    FrameDecompressor decompressor(prompt);
    prompt.Clear();
    EXPECT_FALSE(decompressor.OpenDecompressor(MakeFourCC('n', 'o', 'n', 'e'),
                                               DibFormat::Rgb(320, 240, 24)));
    EXPECT_FALSE(decompressor.IsReady());
    EXPECT_THAT(Texts(prompt), ElementsAre(Str(IDS_DECOMPRESSOR_OPEN_FAILED)));
}

TEST(FrameCompressorTest, DamagedCompressedFramesAreRefused) {
    RecordingPrompt prompt;
    for (uint32_t handler : {kFourCCMjpg, kFmp4, kH264}) {
        FrameDecompressor decompressor(prompt);
        DibFormat format = DibFormat::Rgb(320, 240, 24);
        format.Header().biCompression = handler;
        ASSERT_TRUE(decompressor.OpenDecompressor(handler, format));
        std::vector<uint8_t> junk(3000);
        for (size_t i = 0; i < junk.size(); ++i) {
            junk[i] = static_cast<uint8_t>(i * 7 + 3);
        }
        EXPECT_FALSE(decompressor.DecompressFrame(junk)) << FourCCToString(handler);
    }
    // A JPEG of another picture size does not fit the output buffer.
    FrameCompressor compressor(prompt);
    ASSERT_TRUE(compressor.OpenCompressor(kFourCCMjpg, DibFormat::Rgb(640, 480, 24)));
    const auto big = compressor.CompressFrame(MakeTestFrame(640, 480, 0));
    ASSERT_TRUE(big);
    FrameDecompressor small(prompt);
    DibFormat format = DibFormat::Rgb(320, 240, 24);
    format.Header().biCompression = kFourCCMjpg;
    ASSERT_TRUE(small.OpenDecompressor(kFourCCMjpg, format));
    EXPECT_FALSE(small.DecompressFrame(big->data));
}

TEST(FrameCompressorTest, ChoosingACodecThatCannotTakeTheFormatKeepsThePreviousOne) {
    RecordingPrompt prompt;
    FrameCompressor compressor(prompt);
    ASSERT_TRUE(compressor.OpenCompressor(kFourCCMjpg, DibFormat::Rgb(322, 241, 24)));
    const auto frame = MakeTestFrame(322, 241, 0);
    EXPECT_FALSE(compressor.ApplyChoice({true, kH264, 30, 60}, frame));
    EXPECT_EQ(compressor.Handler(), kFourCCMjpg);
    EXPECT_TRUE(compressor.IsReady());
    EXPECT_EQ(compressor.KeyInterval(), 30);
    EXPECT_EQ(compressor.Quality(), 60);
    EXPECT_THAT(Texts(prompt), ElementsAre(Str(IDS_COMPRESSOR_FORMAT_UNSUPPORTED)));

    ASSERT_TRUE(compressor.ApplyChoice({true, kFmp4, 30, 60}, frame));
    EXPECT_EQ(compressor.Handler(), kFmp4);
    const auto first = compressor.CompressFrame(frame);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->keyFrame);
}

TEST(FrameCompressorTest, ChooserPresetAndCodecList) {
    RecordingPrompt prompt;
    FrameCompressor compressor(prompt);
    EXPECT_FALSE(compressor.ChooserPreset().valid);
    compressor.SetQuality(70);
    compressor.SetKeyInterval(12);
    ASSERT_TRUE(compressor.OpenCompressor(kFourCCMjpg, DibFormat::Rgb(64, 48, 24)));
    const CompressorChoice preset = compressor.ChooserPreset();
    EXPECT_TRUE(preset.valid);
    EXPECT_EQ(preset.handler, kFourCCMjpg);
    EXPECT_EQ(preset.keyInterval, 12);
    EXPECT_EQ(preset.quality, 70);

    std::vector<uint32_t> codes;
    for (const CodecDescriptor* codec : CodecRegistry::Installed().Compressors()) {
        codes.push_back(codec->fourcc);
    }
    EXPECT_THAT(codes, ElementsAre(kFourCCDib, kFourCCMjpg, kFmp4, kH264, kFfv1));
    EXPECT_EQ(FrameCompressor::DescribeHandler(CodecRegistry::Installed(), kH264),
              "H.264 (libx264)");
}

}  // namespace
}  // namespace korvex
