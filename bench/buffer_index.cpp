// Building the reader's index of a 100 MB video buffer, and stepping back one frame in it.

#include "buffer/Mv2Reader.h"
#include "buffer/Mv2Writer.h"
#include "common/Clock.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace korvex;

constexpr int64_t kFileBytes = 100ll * 1024 * 1024;
// About the size of an MJPG frame of 640 x 480 at quality 90.
constexpr size_t kFrameBytes = 24 * 1024;
constexpr int kFramesPerSecond = 15;
constexpr int kKeyInterval = 25;

// One 100 MB buffer file for all benchmarks of this program.
class BufferFile {
public:
    BufferFile() {
        ManualClock clock(0, 1780000000);
        CMv2Writer writer(clock);
        writer.SetDirectory(dir_.path());
        writer.CreateBufferFile(QStringLiteral("Camera0.mv2"), kFourCCMjpg,
                                DibFormat::Rgb(640, 480, 24));
        std::vector<uint8_t> frame(kFrameBytes, 0x55);
        for (int n = 0; writer.WritePos() < kFileBytes; ++n) {
            writer.AppendRecord(frame, n % kKeyInterval == 0);
            clock.AdvanceMs(1000 / kFramesPerSecond);
        }
        path_ = writer.Path();
    }
    const QString& Path() const { return path_; }

private:
    QTemporaryDir dir_;
    QString path_;
};

const BufferFile& File() {
    static const BufferFile file;
    return file;
}

void BM_IndexOf100MbFile(benchmark::State& state) {
    const QString path = File().Path();
    int64_t frames = 0;
    for (auto _ : state) {
        CMv2Reader reader;
        if (!reader.Open(path)) {
            state.SkipWithError("open failed");
            return;
        }
        frames = reader.FrameCount();
        benchmark::DoNotOptimize(frames);
    }
    state.counters["frames"] = static_cast<double>(frames);
    state.SetBytesProcessed(state.iterations() * kFileBytes);
}
BENCHMARK(BM_IndexOf100MbFile)->Unit(benchmark::kMillisecond);

void BM_PreviousFrameWithKeyFramesEvery25(benchmark::State& state) {
    CMv2Reader reader;
    if (!reader.Open(File().Path())) {
        state.SkipWithError("open failed");
        return;
    }
    // Start on the frame just before a key frame: the longest way back.
    for (int i = 0; i < 1000 + kKeyInterval - 1; ++i) {
        reader.NextFrame();
    }
    for (auto _ : state) {
        if (!reader.PreviousFrame() || !reader.NextFrame()) {
            state.SkipWithError("step failed");
            return;
        }
    }
}
BENCHMARK(BM_PreviousFrameWithKeyFramesEvery25)->Unit(benchmark::kMicrosecond);

}  // namespace
