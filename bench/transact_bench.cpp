// Round trip of one single-word read: Transact against a bare blocking
// client sending the identical frame on its own connection, measured side
// by side against the PLC simulator on loopback; allocations per Transact;
// cost of building a 1000-word write request.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/context.h"
#include "link/encap.h"
#include "link/link.h"
#include "tests/support/alloc_counter.h"
#include "tests/support/bare_client.h"
#include "tests/support/channel_block.h"
#include "tools/plcsim/plcsim.h"

namespace {

using namespace ordax;
using Clock = std::chrono::steady_clock;

constexpr const char *kSimIp = "127.0.0.33";
constexpr int kStation = 3;

std::unique_ptr<DriverContext> NewContext() {
    return ordax_test::NewChannelBlock(ordax_test::ChannelState::kOpen);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double MicrosSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
}

// Alternates driver and bare round trips and prints the medians.
int CompareRoundTrips() {
    plcsim::Simulator sim;
    if (sim.AddStation({kSimIp, plcsim::Family::Plc5, "", 2222}) < 0 || !sim.Start()) {
        std::printf("simulator could not start: %s\n", sim.LastError().c_str());
        return 1;
    }
    auto ctx = NewContext();
    StationEntry &st = ordax_test::ConfigureStation(*ctx, kStation, kPlc5, kSimIp);
    ordax_test::BareClient bare;
    if (OpenStation(*ctx, st, kStationLockHeld) != 0 || !bare.Open(kSimIp)) return 1;

    Transaction &txn = ctx->txn;
    txn.function = ReadSingleWord;
    txn.station = kStation;
    txn.fileType = kFileN;
    txn.fileNumber = 7;
    txn.element = 10;
    txn.count = 1;
    // The bare client sends the same bytes, with its own session handle.
    std::uint8_t request[kFrameCapacity];
    if (BuildPcccRequest(*ctx, txn, nullptr, kStationLockHeld) != kLinkOk) return 1;
    const std::size_t requestLength = static_cast<std::size_t>(txn.frameLength);
    std::memcpy(request, txn.frame, requestLength);
    std::memcpy(request + kEncapSession, bare.session, 4);
    std::uint8_t reply[kFrameCapacity];

    constexpr int kWarmup = 200;
    constexpr int kSamples = 5000;
    std::vector<double> driver, plain, ratios;
    std::uint64_t allocations = 0;
    int failures = 0;
    for (int i = 0; i < kWarmup + kSamples; ++i) {
        const std::uint64_t a0 = alloc_counter::ThreadAllocations();
        Clock::time_point t0 = Clock::now();
        if (Transact(*ctx, txn, nullptr, kTakeStationLock) != kLinkOk) ++failures;
        const double d = MicrosSince(t0);
        const std::uint64_t used = alloc_counter::ThreadAllocations() - a0;
        t0 = Clock::now();
        if (!bare.RoundTrip(request, requestLength, reply)) ++failures;
        const double b = MicrosSince(t0);
        if (i < kWarmup) continue;
        allocations += used;
        driver.push_back(d);
        plain.push_back(b);
        ratios.push_back(d / b);
    }
    CloseStation(st);
    std::printf("single-word read round trip, %d samples side by side (failures %d)\n", kSamples,
                failures);
    std::printf("  bare blocking client  median %8.2f us\n", Median(plain));
    std::printf("  Transact              median %8.2f us\n", Median(driver));
    std::printf("  ratio of medians      %8.3f\n", Median(driver) / Median(plain));
    std::printf("  median of ratios      %8.3f\n", Median(ratios));
    std::printf("  allocations per Transact (steady state) %.3f\n",
                static_cast<double>(allocations) / kSamples);
    return failures == 0 ? 0 : 1;
}

// BuildPcccRequest for a 1000-word write (PLC-5 and SLC 5).
void BM_Build1000WordWrite(benchmark::State &state) {
    auto ctx = NewContext();
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

int main(int argc, char **argv) {
    const int rc = CompareRoundTrips();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return rc;
}
