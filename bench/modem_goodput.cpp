// Goodput of the modem link on a simulated 33,600 bit/s line (10 bits per byte, 150 ms round
// trip), as a share of the line rate, in simulated time. Reported as counters:
// goodput_pct (payload bytes delivered per second over the line's bytes per second) and
// simulated_s (simulated seconds for the transfer).
#include "../tests/modem/LossyLine.h"
#include "../tests/modem/ManualScheduler.h"
#include "../tests/modem/MemoryLineService.h"
#include "../tests/modem/OwnerRecord.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr double kLineBytesPerSecond = 33600.0 / 10.0;
constexpr size_t kMessageBytes = 4096;
constexpr int kMessages = 60;

using namespace korvex;

// Two link ends over the simulated line, logs off.
struct Pair {
    explicit Pair(const test::LineFaults& faults)
        : line(clock, faults),
          board(line),
          serviceA(board, QStringLiteral("A"), 0),
          serviceB(board, QStringLiteral("B"), 1),
          a(serviceA, scheduler, clock, log, uint16_t(1)),
          b(serviceB, scheduler, clock, log, uint16_t(2)) {
        ownerA.Attach(a);
        ownerB.Attach(b);
    }
    bool Connect() {
        return b.Listen(-1) && a.Call(QStringLiteral("B"), -1) &&
               scheduler.RunUntil([this] { return a.IsConnected() && b.IsConnected(); }, 10000);
    }
    ManualClock clock;
    test::ManualScheduler scheduler{clock};
    test::LossyLine line;
    test::Switchboard board;
    test::MemoryLineService serviceA;
    test::MemoryLineService serviceB;
    ModemLog log{QString()};
    CCommRx a;
    CCommRx b;
    test::OwnerRecord ownerA;
    test::OwnerRecord ownerB;
};

void RunTransfer(benchmark::State& state, double corruptRate, double lossRate) {
    for (auto _ : state) {
        korvex::test::LineFaults faults;
        faults.bytesPerSecond = kLineBytesPerSecond;
        faults.bufferBytes = 1024;
        faults.oneWayDelayMs = 75;
        faults.corruptRate = corruptRate;
        faults.lossRate = lossRate;
        faults.seed = 3;
        Pair pair(faults);
        if (!pair.Connect()) {
            state.SkipWithError("no connection");
            return;
        }
        std::vector<uint8_t> message(kMessageBytes);
        for (size_t i = 0; i < message.size(); ++i) {
            message[i] = uint8_t(i * 29 + 7);
        }
        const int64_t startMs = pair.clock.NowMs();
        for (int i = 0; i < kMessages; ++i) {
            pair.a.XmitData(message, 2);
        }
        const bool done = pair.scheduler.RunUntil(
            [&] { return pair.ownerB.messages.size() == size_t(kMessages); }, 3600 * 1000, 5);
        if (!done) {
            state.SkipWithError("transfer did not finish");
            return;
        }
        const double seconds = double(pair.clock.NowMs() - startMs) / 1000.0;
        const double goodput = double(kMessages) * kMessageBytes / seconds;
        state.counters["goodput_pct"] = 100.0 * goodput / kLineBytesPerSecond;
        state.counters["simulated_s"] = seconds;
        state.counters["aborts"] = pair.ownerA.aborts;
    }
}

void BM_GoodputClean(benchmark::State& state) {
    RunTransfer(state, 0.0, 0.0);
}
void BM_GoodputOnePercentCorrupted(benchmark::State& state) {
    RunTransfer(state, 0.01, 0.0);
}
void BM_GoodputOnePercentLost(benchmark::State& state) {
    RunTransfer(state, 0.0, 0.01);
}

BENCHMARK(BM_GoodputClean)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GoodputOnePercentCorrupted)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GoodputOnePercentLost)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

// Line notifications travel through the Qt event loop, so the simulation needs an
// application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
