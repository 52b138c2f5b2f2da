// A channel of 100 answering stations: how long command 1 takes (it returns
// once every station was tried) and command 11, and the channel thread's own CPU while the
// channel is open and idle, measured through the thread's CPU clock.
#include <algorithm>
#include <string>
#include <vector>

#include "bench/report/measure.h"
#include "core/context.h"
#include "core/relaxed.h"
#include "platform/clock.h"
#include "testkit/host_channel.h"
#include "testkit/station_watch.h"

namespace bench {

namespace {

constexpr int kOpenTimeoutCs = 50;
constexpr int kSettleMs = 1000;  // past the first walks before the idle figure

// Command 11 of the open channel: it ends the thread's pause at once and
// closes the 100 connections.
void AddClose(const std::vector<double> &closes, Report &report) {
    Figure f{"close_100_stations_ms", "command 11, 100 connected stations: returns after",
             Median(closes), "ms", 1};
    f.detail = "median of " + std::to_string(closes.size()) + " closes";
    f.numbers = {{"runs", static_cast<double>(closes.size())}};
    report.Add(f);
}

void MeasureOpen(ordax_test::HostBlock &block, const Plan &plan, Report &report) {
    std::vector<double> returns, connected, closes;
    for (int run = 0; run < plan.openRuns; ++run) {
        const Clock::time_point t0 = Clock::now();
        const int rc = ordax_test::OpenCommand(block, kFleetChannel, 1, kOpenTimeoutCs);
        returns.push_back(MsSince(t0));
        connected.push_back(
            std::chrono::duration<double, std::milli>(LastConnectTime() - t0).count());
        const int stations = rc == PDX_DONE ? ConnectedStations(block.ctx()) : 0;
        const Clock::time_point t1 = Clock::now();
        ordax_test::CloseCommand(block);
        closes.push_back(MsSince(t1));
        report.Fail(stations == kFleetStations ? 0 : 1);
    }
    const auto [low, high] = std::minmax_element(returns.begin(), returns.end());
    Figure f{"open_100_stations_ms", "command 1, 100 answering stations: returns after",
             Median(returns), "ms", 1};
    f.detail = "median of " + std::to_string(returns.size()) + " (" + Fixed(*low, 0) + ".." +
               Fixed(*high, 0) + "); last station connected after " + Fixed(Median(connected), 1) +
               " ms";
    f.numbers = {{"last_connected_ms", Median(connected)},
                 {"runs", static_cast<double>(returns.size())}};
    report.Add(f);
    AddClose(closes, report);
}

void MeasureIdle(ordax_test::HostBlock &block, const Plan &plan, Report &report) {
    double threadMs = -1, processMs = 0;
    if (ordax_test::OpenCommand(block, kFleetChannel, 1, kOpenTimeoutCs) == PDX_DONE) {
        plat::SleepMs(kSettleMs);
        const double thread0 = ThreadCpuMs(block.ctx().channelThread);
        const double process0 = ProcessCpuMs();
        plat::SleepMs(static_cast<std::uint32_t>(plan.idleSeconds) * 1000);
        const double thread1 = ThreadCpuMs(block.ctx().channelThread);
        if (thread0 >= 0 && thread1 >= 0) threadMs = thread1 - thread0;
        processMs = ProcessCpuMs() - process0;
    }
    ordax_test::CloseCommand(block);
    report.Fail(threadMs < 0 ? 1 : 0);
    const double perMinute = 60.0 / plan.idleSeconds;
    Figure f{"idle_thread_cpu_ms_per_minute", "channel thread CPU, 100 idle stations",
             threadMs * perMinute, "ms/min", 2};
    f.detail = Fixed(threadMs * perMinute / 600.0, 4) + " % of a core, over " +
               std::to_string(plan.idleSeconds) + " s; whole process " +
               Fixed(processMs * perMinute, 1) + " ms/min";
    f.numbers = {{"percent_of_core", threadMs * perMinute / 600.0},
                 {"process_ms_per_minute", processMs * perMinute},
                 {"seconds", plan.idleSeconds}};
    report.Add(f);
}

}  // namespace

int ConnectedStations(ordax::DriverContext &ctx) {
    int connected = 0;
    for (ordax::StationEntry &st : ctx.stations) {
        if (ordax::LoadRelaxed(st.plcType) == ordax::kPlcNone) continue;
        connected += ordax_test::ViewLocked(st).socket != plat::kNoSocket ? 1 : 0;
    }
    return connected;
}

void MeasureFleet(const Plan &plan, Report &report) {
    auto block = ordax_test::NewHostBlock();
    MeasureOpen(*block, plan, report);
    MeasureIdle(*block, plan, report);
}

}  // namespace bench
