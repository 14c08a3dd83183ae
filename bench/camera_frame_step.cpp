// One frame step of a camera at 640 x 480 on the Demo Camera in YUYV: grab, translation to
// RGB, motion detection, MJPG compression and the MV2 append, as Observe runs it.
#include "buffer/BufferCommands.h"
#include "common/Clock.h"
#include "common/UserPrompt.h"
#include "video/CaptureDriverList.h"
#include "video/CaptureSource.h"
#include "video/DemoCamera.h"
#include "video/FrameCompressor.h"
#include "video/detector/MotionDetector.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace korvex {
namespace {

void BM_ObserveFrameStep640x480(benchmark::State& state) {
    QTemporaryDir dir;
    ManualClock clock(0, 1'700'000'000);
    RecordingPrompt prompt;
    CaptureDriverList drivers;
    drivers.Add({"Demo Camera", [&clock] { return std::make_unique<DemoCamera>(clock); }});
    CaptureSource source(drivers, prompt);
    if (!source.Open(0) || !source.SetFormat({source.Formats()[3]})) {
        state.SkipWithError("no demo camera");
        return;
    }
    MotionDetector detector(prompt, clock);
    detector.Setup(source.OutFormat());
    FrameCompressor compressor(prompt);
    compressor.OpenCompressor(kFourCCMjpg, source.OutFormat());
    compressor.SetQuality(90);
    BufferCommands buffers(0, clock, prompt);
    CameraRecording recording;
    recording.limitBuffer = 0;
    buffers.Configure(recording);
    buffers.SetWorkingDirectory(dir.path());
    buffers.Primary().CreateBufferFile(buffers.BufferName(), compressor, false);

    int64_t stored = 0;
    for (auto _ : state) {
        // 200 ms per frame at 5 frames per second; the scene's object crosses for 6 s of
        // every 20 s, so the steps mix quiet frames and recorded motion as a camera sees them.
        clock.AdvanceMs(200);
        source.Grab();
        detector.Compare(source.OutBits());
        if (buffers.Step(detector.Motion(), source.OutBits()) && detector.Motion()) {
            ++stored;
        }
        if (buffers.Primary().Writer().WritePos() > 200'000'000) {
            buffers.Primary().CreateBufferFile(buffers.BufferName(), compressor, false);
        }
    }
    state.counters["stored"] = static_cast<double>(stored);
    state.counters["cameras_at_30fps_per_core"] = benchmark::Counter(
        static_cast<double>(state.iterations()) / 30.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ObserveFrameStep640x480)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The same step on frames that all show motion: every frame is compressed and stored.
void BM_RecordingFrameStep640x480(benchmark::State& state) {
    QTemporaryDir dir;
    ManualClock clock(DemoCamera::kObjectStartMs, 1'700'000'000);
    RecordingPrompt prompt;
    CaptureDriverList drivers;
    drivers.Add({"Demo Camera", [&clock] { return std::make_unique<DemoCamera>(clock); }});
    CaptureSource source(drivers, prompt);
    if (!source.Open(0) || !source.SetFormat({source.Formats()[3]})) {
        state.SkipWithError("no demo camera");
        return;
    }
    MotionDetector detector(prompt, clock);
    detector.Setup(source.OutFormat());
    FrameCompressor compressor(prompt);
    compressor.OpenCompressor(kFourCCMjpg, source.OutFormat());
    BufferCommands buffers(0, clock, prompt);
    CameraRecording recording;
    recording.limitBuffer = 0;
    buffers.Configure(recording);
    buffers.SetWorkingDirectory(dir.path());
    buffers.Primary().CreateBufferFile(buffers.BufferName(), compressor, false);
    int64_t step = 0;
    for (auto _ : state) {
        // Stay within the object's crossings: after 20 steps, on to the next cycle's.
        clock.AdvanceMs(step++ % 20 == 19 ? DemoCamera::kCycleMs - 19 * 200 : 200);
        source.Grab();
        detector.Compare(source.OutBits());
        buffers.Step(true, source.OutBits());
        if (buffers.Primary().Writer().WritePos() > 200'000'000) {
            buffers.Primary().CreateBufferFile(buffers.BufferName(), compressor, false);
        }
    }
    state.counters["cameras_at_30fps_per_core"] = benchmark::Counter(
        static_cast<double>(state.iterations()) / 30.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RecordingFrameStep640x480)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
}  // namespace korvex
