#include "common/Dib.h"
#include "common/UserPrompt.h"
#include "video/detector/MotionDetector.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace korvex {
namespace {

std::vector<uint8_t> NoiseFrame(const DibFormat& format, unsigned seed) {
    std::vector<uint8_t> bits(static_cast<size_t>(format.ImageBytes()));
    std::mt19937 random(seed);
    for (auto& b : bits) {
        b = static_cast<uint8_t>(random());
    }
    return bits;
}

// Two noisy frames in turn, judged in Intrusion mode: every block differs every time.
void BM_Compare(benchmark::State& state) {
    const DibFormat format =
        DibFormat::Rgb(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                       static_cast<int>(state.range(2)));
    const std::vector<uint8_t> frames[2] = {NoiseFrame(format, 1), NoiseFrame(format, 2)};
    HeadlessPrompt prompt;
    MotionDetector detector(prompt);
    detector.Setup(format);
    int i = 0;
    for (auto _ : state) {
        detector.Compare(frames[i ^= 1]);
        benchmark::DoNotOptimize(detector.Motion());
    }
}
BENCHMARK(BM_Compare)
    ->ArgNames({"w", "h", "bits"})
    ->ArgsProduct({{320}, {240}, {24, 32, 16, 8}})
    ->ArgsProduct({{640}, {480}, {24, 32, 16, 8}})
    ->Unit(benchmark::kMicrosecond);

// What Compare cannot go below: reading the sampled pixels (every second pixel of every second
// row) of a 640 x 480 24-bit frame.
void BM_ReadSampledPixels640x480x24(benchmark::State& state) {
    const DibFormat format = DibFormat::Rgb(640, 480, 24);
    const std::vector<uint8_t> bits = NoiseFrame(format, 1);
    const int64_t rowBytes = DibRowBytes(640, 24);
    for (auto _ : state) {
        unsigned sum = 0;
        for (int y = 0; y < 480; y += 2) {
            const uint8_t* row = bits.data() + y * rowBytes;
            for (int x = 0; x < 640; x += 2) {
                sum += row[3 * x] + row[3 * x + 1] + row[3 * x + 2];
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReadSampledPixels640x480x24)->Unit(benchmark::kMicrosecond);

void BM_IsBlank(benchmark::State& state) {
    const DibFormat format = DibFormat::Rgb(640, 480, 24);
    const std::vector<uint8_t> black(static_cast<size_t>(format.ImageBytes()), 0);
    HeadlessPrompt prompt;
    MotionDetector detector(prompt);
    detector.Setup(format);
    detector.SetMaxDelta(16);
    detector.Compare(black);
    for (auto _ : state) {
        benchmark::DoNotOptimize(detector.IsBlank());
    }
}
BENCHMARK(BM_IsBlank)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvex
