// Cost of building a 1000-word write request (PLC-5 and SLC 5) with the
// PCCC encoder alone; the round trips are in ordax_bench_report.
#include <cstdint>

#include <benchmark/benchmark.h>

#include "core/context.h"
#include "link/link.h"
#include "testkit/channel_block.h"

namespace {

using namespace ordax;

void BM_Build1000WordWrite(benchmark::State &state) {
    auto ctx = ordax_test::NewChannelBlock(ordax_test::ChannelState::kOpen);
    const std::int32_t family = static_cast<std::int32_t>(state.range(0));
    ordax_test::ConfigureStation(*ctx, 1, family, "plc", ordax_test::StationLock::kNone);
    Transaction &txn = ctx->txn;
    txn.function = WriteWords;
    txn.station = 1;
    txn.fileType = kFileN;
    txn.fileNumber = 7;
    txn.count = 1000;
    for (int i = 0; i < 1000; ++i) txn.data[i] = static_cast<std::uint16_t>(i);
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildPcccRequest(*ctx, txn, nullptr, kStationLockHeld));
        benchmark::ClobberMemory();
    }
    state.SetLabel(family == kPlc5 ? "PLC-5" : "SLC 5");
}
BENCHMARK(BM_Build1000WordWrite)->Arg(kPlc5)->Arg(kSlc5);

}  // namespace

BENCHMARK_MAIN();
