// Cost of the recorder's frame step with motion: one compression and one record appended
// to the video buffer (opened, written, cut and closed), and the same with a secondary
// buffer that stores the primary's bytes.
#include "buffer/BufferCommands.h"
#include "common/CameraSettings.h"
#include "common/Clock.h"
#include "common/FourCC.h"
#include "common/UserPrompt.h"
#include "video/FrameCompressor.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using namespace korvex;

// A 640 x 480 picture with some texture, moved a little each frame.
void Paint(std::vector<uint8_t>& bits, int frame) {
    for (size_t i = 0; i < bits.size(); ++i) {
        bits[i] =
            static_cast<uint8_t>(((i / 3) % 640 + (i / 1920) + static_cast<size_t>(frame)) * 3);
    }
}

void RunSteps(benchmark::State& state, uint32_t handler, bool secondary) {
    QTemporaryDir dir;
    ManualClock clock(0, 1773136800);
    HeadlessPrompt prompt;
    const DibFormat format = DibFormat::Rgb(640, 480, 24);
    FrameCompressor compressor(prompt);
    if (!compressor.OpenCompressor(handler, format)) {
        state.SkipWithError("compressor not available");
        return;
    }
    std::vector<std::vector<uint8_t>> pictures(8, std::vector<uint8_t>(format.ImageBytes()));
    for (size_t i = 0; i < pictures.size(); ++i)
        Paint(pictures[i], static_cast<int>(i));

    CameraRecording settings;
    settings.limitBuffer = 0;
    BufferCommands buffers(0, clock, prompt);
    buffers.Configure(settings);
    buffers.SetWorkingDirectory(dir.path());
    if (secondary) {
        QDir().mkpath(dir.filePath(QStringLiteral("second")));
        buffers.SetSecondaryDirectory(dir.filePath(QStringLiteral("second")));
        buffers.SetSecondaryEnabled(true);
    }
    buffers.StartRecording(compressor, false, true, {});
    int64_t frames = 0;
    int64_t bytes = 0;
    for (auto _ : state) {
        if (frames % 200 == 199) {
            // Keep the file small: start a new buffer outside the measurement.
            state.PauseTiming();
            bytes += buffers.Primary().Writer().WritePos();
            buffers.Primary().Reset();
            buffers.Secondary().Reset();
            buffers.StartRecording(compressor, false, true, {});
            state.ResumeTiming();
        }
        clock.AdvanceMs(33);
        if (!buffers.Step(true, pictures[static_cast<size_t>(frames) % pictures.size()])) {
            state.SkipWithError("step failed");
            break;
        }
        ++frames;
    }
    bytes += buffers.Primary().Writer().WritePos();
    state.SetItemsProcessed(frames);
    state.counters["bytes_per_frame"] = frames > 0 ? static_cast<double>(bytes) / frames : 0;
}

void BM_RecorderStepMjpg640x480(benchmark::State& state) {
    RunSteps(state, kFourCCMjpg, false);
}
void BM_RecorderStepMjpgTwoBuffers(benchmark::State& state) {
    RunSteps(state, kFourCCMjpg, true);
}
void BM_RecorderStepUncompressed640x480(benchmark::State& state) {
    RunSteps(state, kFourCCDib, false);
}

BENCHMARK(BM_RecorderStepMjpg640x480)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecorderStepMjpgTwoBuffers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecorderStepUncompressed640x480)->Unit(benchmark::kMillisecond);

}  // namespace
