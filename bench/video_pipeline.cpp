#include "common/Clock.h"
#include "common/FourCC.h"
#include "common/UserPrompt.h"
#include "video/CaptureSource.h"
#include "video/DemoCamera.h"
#include "video/FrameCompressor.h"
#include "video/PixelTranslator.h"

#include <benchmark/benchmark.h>

#if __has_include(<turbojpeg.h>)
#include <turbojpeg.h>
#define KORVEX_HAVE_TURBOJPEG 1
#endif

#include <vector>

namespace korvex {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kQuality = 90;

// A camera picture of 640 x 480 from the Demo Camera, 24-bit bottom-up.
std::vector<uint8_t> CameraFrame() {
    ManualClock clock(10000);
    DemoCamera camera(clock);
    camera.SetFormat({BI_RGB, kWidth, kHeight, 24});
    const auto frame = camera.Grab();
    return {frame->begin(), frame->end()};
}

void BM_MjpgCompress(benchmark::State& state) {
    const auto frame = CameraFrame();
    HeadlessPrompt prompt;
    FrameCompressor compressor(prompt);
    compressor.SetQuality(kQuality);
    compressor.OpenCompressor(kFourCCMjpg, DibFormat::Rgb(kWidth, kHeight, 24));
    size_t bytes = 0;
    for (auto _ : state) {
        const auto compressed = compressor.CompressFrame(frame);
        bytes = compressed ? compressed->data.size() : 0;
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["jpeg_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_MjpgCompress)->Unit(benchmark::kMillisecond);

#ifdef KORVEX_HAVE_TURBOJPEG
// libjpeg-turbo's own fastest path on the same frame: TurboJPEG, BGR bottom-up input,
// 4:2:0, fast DCT, into a buffer allocated once.
void BM_TurboJpegCompress(benchmark::State& state) {
    const auto frame = CameraFrame();
    tjhandle handle = tjInitCompress();
    unsigned long capacity = tjBufSize(kWidth, kHeight, TJSAMP_420);
    unsigned char* buffer = tjAlloc(static_cast<int>(capacity));
    unsigned long bytes = 0;
    for (auto _ : state) {
        bytes = capacity;
        tjCompress2(handle, frame.data(), kWidth, kWidth * 3, kHeight, TJPF_BGR, &buffer, &bytes,
                    TJSAMP_420, kQuality, TJFLAG_BOTTOMUP | TJFLAG_FASTDCT | TJFLAG_NOREALLOC);
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["jpeg_bytes"] = static_cast<double>(bytes);
    tjFree(buffer);
    tjDestroy(handle);
}
BENCHMARK(BM_TurboJpegCompress)->Unit(benchmark::kMillisecond);
#endif

void BM_YuyvToBgr(benchmark::State& state) {
    ManualClock clock(10000);
    DemoCamera camera(clock);
    camera.SetFormat({MakeFourCC('Y', 'U', 'Y', '2'), kWidth, kHeight, 16});
    const auto raw = camera.Grab();
    const std::vector<uint8_t> yuyv(raw->begin(), raw->end());
    PixelTranslator translator;
    translator.Setup(camera.Format());
    std::vector<uint8_t> out(static_cast<size_t>(translator.OutFormat().ImageBytes()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(translator.Translate(yuyv, out));
    }
}
BENCHMARK(BM_YuyvToBgr)->Unit(benchmark::kMillisecond);

// One camera tick's capture work with the Demo Camera: grab, and translate when the format
// is YUYV. Argument: 0 = 24-bit RGB, 1 = YUYV.
void BM_DemoCameraGrab(benchmark::State& state) {
    const bool yuyv = state.range(0) == 1;
    ManualClock clock(10000);
    CaptureDriverList drivers;
    drivers.Add({"Demo", [&] {
                     auto camera = std::make_unique<DemoCamera>(clock);
                     camera->SetFormat({yuyv ? MakeFourCC('Y', 'U', 'Y', '2') : BI_RGB, kWidth,
                                        kHeight, yuyv ? 16 : 24});
                     return camera;
                 }});
    HeadlessPrompt prompt;
    CaptureSource source(drivers, prompt);
    source.Open(0);
    for (auto _ : state) {
        clock.AdvanceMs(200);
        benchmark::DoNotOptimize(source.Grab());
    }
}
BENCHMARK(BM_DemoCameraGrab)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvex
