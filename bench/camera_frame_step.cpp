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

// A recording camera's parts on the Demo Camera, with the clock at `startMs`.
struct RecordingCamera {
    explicit RecordingCamera(int64_t startMs)
        : clock(startMs, 1'700'000'000),
          source(drivers, prompt),
          detector(prompt, clock),
          compressor(prompt),
          buffers(0, clock, prompt) {
        drivers.Add({"Demo Camera", [this] { return std::make_unique<DemoCamera>(clock); }});
        ready = source.Open(0) && source.SetFormat(source.Formats()[3]);  // 640 x 480 YUYV
        detector.Setup(source.OutFormat());
        compressor.OpenCompressor(kFourCCMjpg, source.OutFormat());
        CameraRecording recording;
        recording.limitBuffer = 0;
        buffers.Configure(recording);
        buffers.SetWorkingDirectory(dir.path());
        StartFile();
    }

    void StartFile() {
        buffers.Primary().CreateBufferFile(buffers.BufferName(), compressor, false);
    }

    // One step; true when the frame showed motion and was stored.
    bool Step(bool forceMotion) {
        source.Grab();
        detector.Compare(source.OutBits());
        const bool motion = forceMotion || detector.Motion();
        const bool stored = buffers.Step(motion, source.OutBits()) && motion;
        if (buffers.Primary().Writer().WritePos() > 200'000'000) {
            StartFile();
        }
        return stored;
    }

    QTemporaryDir dir;
    ManualClock clock;
    RecordingPrompt prompt;
    CaptureDriverList drivers;
    CaptureSource source;
    MotionDetector detector;
    FrameCompressor compressor;
    BufferCommands buffers;
    bool ready = false;
};

void Report(benchmark::State& state) {
    state.counters["cameras_at_30fps_per_core"] = benchmark::Counter(
        static_cast<double>(state.iterations()) / 30.0, benchmark::Counter::kIsRate);
}

void BM_ObserveFrameStep640x480(benchmark::State& state) {
    RecordingCamera camera(0);
    if (!camera.ready) {
        state.SkipWithError("no demo camera");
        return;
    }
    int64_t stored = 0;
    for (auto _ : state) {
        // 200 ms per frame at 5 frames per second; the scene's object crosses for 6 s of
        // every 20 s, so the steps mix quiet frames and recorded motion as a camera sees them.
        camera.clock.AdvanceMs(200);
        stored += camera.Step(false) ? 1 : 0;
    }
    state.counters["stored"] = static_cast<double>(stored);
    Report(state);
}
BENCHMARK(BM_ObserveFrameStep640x480)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The same step on frames that all show motion: every frame is compressed and stored.
void BM_RecordingFrameStep640x480(benchmark::State& state) {
    RecordingCamera camera(DemoCamera::kObjectStartMs);
    if (!camera.ready) {
        state.SkipWithError("no demo camera");
        return;
    }
    int64_t step = 0;
    for (auto _ : state) {
        // Stay within the object's crossings: after 20 steps, on to the next cycle's.
        camera.clock.AdvanceMs(step++ % 20 == 19 ? DemoCamera::kCycleMs - 19 * 200 : 200);
        camera.Step(true);
    }
    Report(state);
}
BENCHMARK(BM_RecordingFrameStep640x480)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
}  // namespace korvex
