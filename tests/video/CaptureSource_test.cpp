#include "video/CaptureSource.h"

#include "common/FourCC.h"
#include "common/strings/VideoStrings.h"
#include "support/TempDir.h"
#include "video/DemoCamera.h"
#include "video/FrameCompressor.h"
#include "video/PixelTranslator.h"
#include "video/detector/MotionDetector.h"

#include "video/TestFrames.h"

#include <gmock/gmock.h>

#include <set>

namespace korvex {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

constexpr uint32_t kYuy2 = MakeFourCC('Y', 'U', 'Y', '2');

// A camera that hands out frames a test prepared, and can be unplugged: what no test machine
// has for real.
class ScriptedCamera : public CaptureDevice {
public:
    ScriptedCamera(DibFormat format, std::vector<uint8_t> frame, bool* plugged)
        : format_(std::move(format)), frame_(std::move(frame)), plugged_(plugged) {}
    DibFormat Format() const override { return *plugged_ ? format_ : DibFormat{}; }
    std::optional<std::span<const uint8_t>> Grab() override {
        if (!*plugged_) {
            return std::nullopt;
        }
        return std::span<const uint8_t>(frame_);
    }
    std::vector<CaptureFormatOption> Formats() const override { return {}; }
    bool SetFormat(const CaptureFormatOption&) override { return false; }

private:
    DibFormat format_;
    std::vector<uint8_t> frame_;
    bool* plugged_;
};

CaptureDriver ScriptedDriver(const QString& name, DibFormat format, std::vector<uint8_t> frame,
                             bool* plugged) {
    return {name, [=] {
                return *plugged ? std::make_unique<ScriptedCamera>(format, frame, plugged)
                                : nullptr;
            }};
}

TEST(CaptureSourceTest, DemoCameraShowsMotionOnlyWhileTheObjectCrosses) {
    const CaptureFormatOption formats[] = {{BI_RGB, 320, 240, 24},
                                           {BI_RGB, 640, 480, 24},
                                           {kYuy2, 320, 240, 16},
                                           {kYuy2, 640, 480, 16}};
    for (const CaptureFormatOption& option : formats) {
        SCOPED_TRACE(option.width + (option.compression == kYuy2 ? 1 : 0));
        ManualClock clock;
        CaptureDriverList drivers;
        drivers.Add({"Demo", [&] {
                         auto camera = std::make_unique<DemoCamera>(clock);
                         camera->SetFormat(option);
                         return camera;
                     }});
        RecordingPrompt prompt;
        CaptureSource source(drivers, prompt);
        ASSERT_TRUE(source.Open(0));
        ASSERT_TRUE(source.IsReady());
        EXPECT_EQ(source.IsTranslating(), option.compression == kYuy2);
        const BitmapInfoHeader& out = source.OutFormat().Header();
        EXPECT_EQ(out.biCompression, BI_RGB);
        EXPECT_EQ(out.biBitCount, 24);
        EXPECT_EQ(out.biWidth, option.width);
        EXPECT_EQ(out.biHeight, option.height);

        MotionDetector detector(prompt, clock);
        ASSERT_TRUE(detector.Setup(source.OutFormat()));
        detector.SetLevel(20);
        std::set<int> motionSeconds;
        for (int64_t t = 0; t < DemoCamera::kCycleMs; t += 200) {
            clock.AdvanceMs(200);
            ASSERT_TRUE(source.Grab());
            ASSERT_EQ(source.OutBits().size(),
                      static_cast<size_t>(source.OutFormat().ImageBytes()));
            detector.Compare(source.OutBits());
            // Motion on every frame while the object is well inside the picture, none while
            // both this frame and the one before show the still scene.
            const int64_t now = clock.NowMs();
            const int64_t phase = now % DemoCamera::kCycleMs;
            const int64_t start = DemoCamera::kObjectStartMs;
            const int64_t end = start + DemoCamera::kObjectMs;
            if (phase >= start + 400 && phase <= end - 400) {
                EXPECT_TRUE(detector.Motion()) << now;
            }
            if (phase < start || phase > end + 200) {
                EXPECT_FALSE(detector.Motion()) << now;
            }
            if (detector.Motion()) {
                motionSeconds.insert(static_cast<int>(phase / 1000));
            }
        }
        EXPECT_THAT(motionSeconds, testing::IsSupersetOf({7, 8, 9, 10, 11, 12}));
        EXPECT_THAT(motionSeconds, testing::Each(testing::AllOf(testing::Ge(7), testing::Le(13))));
        EXPECT_THAT(prompt.Texts(), IsEmpty());
    }
}

TEST(CaptureSourceTest, DemoCameraFramesArePureFunctionsOfTheClock) {
    ManualClock clock(123456);
    DemoCamera a(clock);
    DemoCamera b(clock);
    const auto first = a.Grab();
    const auto second = b.Grab();
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(std::ranges::equal(*first, *second));
    clock.AdvanceMs(40);
    const std::vector<uint8_t> before(first->begin(), first->end());
    EXPECT_FALSE(std::ranges::equal(*a.Grab(), before));  // the noise moves on
}

TEST(CaptureSourceTest, YuyvTranslationGivesKnownColours) {
    // BT.601 studio-range Y, U, V of white, black, red, green and blue, two pixels each,
    // in a top-down frame 10 pixels wide and 2 rows high whose second row is all black.
    const uint8_t yuv[5][3] = {
        {235, 128, 128}, {16, 128, 128}, {81, 90, 240}, {145, 54, 34}, {41, 240, 110}};
    const uint8_t bgr[5][3] = {{255, 255, 255}, {0, 0, 0}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}};
    std::vector<uint8_t> raw;
    for (const auto& c : yuv) {
        raw.insert(raw.end(), {c[0], c[1], c[0], c[2]});
    }
    for (int i = 0; i < 5; ++i) {
        raw.insert(raw.end(), {16, 128, 16, 128});
    }
    DibFormat format = DibFormat::Rgb(10, 2, 24);
    format.Header().biCompression = kYuy2;
    format.Header().biBitCount = 16;
    PixelTranslator translator;
    ASSERT_TRUE(translator.Setup(format));
    std::vector<uint8_t> out(static_cast<size_t>(translator.OutFormat().ImageBytes()));
    ASSERT_TRUE(translator.Translate(raw, out));
    const size_t rowBytes = static_cast<size_t>(DibRowBytes(10, 24));
    for (int pixel = 0; pixel < 10; ++pixel) {
        for (int channel = 0; channel < 3; ++channel) {
            // The picture's top row is the DIB's last row.
            EXPECT_NEAR(out[rowBytes + pixel * 3 + channel], bgr[pixel / 2][channel], 4)
                << pixel << "/" << channel;
            EXPECT_NEAR(out[pixel * 3 + channel], 0, 2);
        }
    }
    EXPECT_FALSE(translator.Translate(std::span(raw).first(raw.size() - 1), out));
}

TEST(CaptureSourceTest, MjpgCameraIsTranslatedByTheDecompressor) {
    RecordingPrompt prompt;
    FrameCompressor compressor(prompt);
    ASSERT_TRUE(compressor.OpenCompressor(kFourCCMjpg, DibFormat::Rgb(320, 240, 24)));
    const auto picture = test::MakeTestFrame(320, 240, 3);
    const auto jpeg = compressor.CompressFrame(picture);
    ASSERT_TRUE(jpeg);
    bool plugged = true;
    CaptureDriverList drivers;
    drivers.Add(ScriptedDriver("MJPG camera", compressor.OutFormat(),
                               {jpeg->data.begin(), jpeg->data.end()}, &plugged));
    CaptureSource source(drivers, prompt);
    ASSERT_TRUE(source.Open(0));
    EXPECT_TRUE(source.IsTranslating());
    EXPECT_EQ(source.OutFormat().BitCount(), 24);
    ASSERT_TRUE(source.Grab());
    EXPECT_GT(test::Psnr(source.OutBits(), picture), 30.0);
    EXPECT_THAT(prompt.Texts(), IsEmpty());
}

TEST(CaptureSourceTest, UnknownFormatIsHandedOutUntranslatedAfterItsMessage) {
    RecordingPrompt prompt;
    DibFormat format = DibFormat::Rgb(64, 48, 24);
    format.Header().biCompression = MakeFourCC('Q', 'Q', 'Q', 'Q');
    format.Header().biSizeImage = 100;
    bool plugged = true;
    CaptureDriverList drivers;
    drivers.Add(ScriptedDriver("Odd camera", format, std::vector<uint8_t>(100, 1), &plugged));
    CaptureSource source(drivers, prompt);
    ASSERT_TRUE(source.Open(0));
    EXPECT_FALSE(source.IsTranslating());
    EXPECT_EQ(source.OutFormat(), format);
    EXPECT_TRUE(source.Grab());
    EXPECT_THAT(prompt.Texts(),
                ElementsAre(Str(IDS_DECOMPRESSOR_OPEN_FAILED), Str(IDS_UNSUPPORTED_VIDEO_FORMAT)));
}

TEST(CaptureSourceTest, UnpluggedCameraGivesFailedGrabsAndMessagesOnlyOnConnect) {
    RecordingPrompt prompt;
    const DibFormat format = DibFormat::Rgb(32, 24, 24);
    bool plugged = true;
    bool other = false;
    CaptureDriverList drivers;
    drivers.Add(ScriptedDriver("Busy", format, test::MakeTestFrame(32, 24, 0), &plugged));
    drivers.Add(ScriptedDriver("Gone", format, test::MakeTestFrame(32, 24, 0), &other));
    drivers.Add(ScriptedDriver("Free", format, test::MakeTestFrame(32, 24, 0), &plugged));
    drivers.SetInUse(0, true);
    EXPECT_EQ(drivers.ChoiceLine(0), "Cam0 : IN USE - Busy");
    EXPECT_EQ(drivers.ChoiceLine(2), "Cam2 : Free");

    CaptureSource source(drivers, prompt);
    EXPECT_FALSE(source.Open(1));
    EXPECT_EQ(source.DriverIndex(), -1);
    ASSERT_TRUE(source.OpenFirstFree());
    EXPECT_EQ(source.DriverIndex(), 2);
    EXPECT_TRUE(source.Grab());

    plugged = false;
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(source.Grab());
    }
    EXPECT_THAT(prompt.Texts(), IsEmpty());
    EXPECT_FALSE(source.ReadFormat());
    EXPECT_THAT(prompt.Texts(), ElementsAre(Str(IDS_CAPTURE_NOT_CONNECTED)));
    EXPECT_FALSE(source.IsReady());
}

TEST(CaptureSourceTest, ShortFramesAreNotHandedOut) {
    RecordingPrompt prompt;
    bool plugged = true;
    CaptureDriverList drivers;
    drivers.Add(
        ScriptedDriver("Short", DibFormat::Rgb(32, 24, 24), std::vector<uint8_t>(10), &plugged));
    CaptureSource source(drivers, prompt);
    EXPECT_FALSE(source.Open(0));
    EXPECT_THAT(prompt.Texts(), ElementsAre(Str(IDS_CAPTURE_DEVICE_ERROR)));
    EXPECT_FALSE(source.IsReady());
}

TEST(CaptureSourceTest, DemoCameraIsListedLastUnlessSwitchedOff) {
    test::TempDir dir;
    SettingsStore settings(dir.SettingsPath());
    const ManualClock clock;
    const CaptureDriverList withDemo = CaptureDriverList::Build(settings, clock);
    ASSERT_GE(withDemo.Count(), 1);
    EXPECT_EQ(withDemo.Description(withDemo.Count() - 1), "Demo Camera");
    EXPECT_TRUE(withDemo.Open(withDemo.Count() - 1));

    settings.Write(settings::kDemoCamera, 0);
    const CaptureDriverList without = CaptureDriverList::Build(settings, clock);
    EXPECT_EQ(without.Count(), withDemo.Count() - 1);
}

}  // namespace
}  // namespace korvex
