// Hot-backup switch-over: from the simulator's master swap to the first
// host read served by the new master, at a fresh phase of the supervise
// interval each time, for two supervise intervals.
#include <string>
#include <vector>

#include "bench/report/measure.h"
#include "platform/clock.h"
#include "tests/channel/channel_fixture.h"

namespace bench {

namespace {

constexpr double kGiveUpMs = 30000;
constexpr std::uint32_t kPollMs = 5;

struct SwitchCase {
    const char *key;
    const char *label;
    int superviseInterval;
};

constexpr SwitchCase kSwitchCases[] = {
    {"switch_over_ms_interval_5000", "hot-backup swap to first read served, supervise 5000 ms",
     5000},
    {"switch_over_ms_interval_1000", "hot-backup swap to first read served, supervise 1000 ms",
     1000},
};

// Reads N7:0 every kPollMs until the processor marked `mark` answers; ms
// since t0, or -1.
double UntilServedBy(ordax::DriverContext &ctx, std::uint16_t mark, Clock::time_point t0) {
    while (MsSince(t0) < kGiveUpMs) {
        std::uint16_t value = 0;
        if (chantest::ReadN7(ctx, kPairStation, &value) == ordax::kLinkOk && value == mark) {
            return MsSince(t0);
        }
        plat::SleepMs(kPollMs);
    }
    return -1;
}

std::vector<double> SwapTimes(Site &site, const Plan &plan, int interval) {
    site.WriteNodeFile(kPairChannel, {"T " + std::to_string(interval) + "; 250; 1000; 1000;",
                                      "05 = " + std::string(kPairIps)});
    auto block = ordax_test::NewHostBlock();
    std::vector<double> times;
    std::uint16_t mark = site.MasterMark();
    if (ordax_test::OpenCommand(*block, kPairChannel, 1, 50) == PDX_DONE &&
        UntilServedBy(block->ctx(), mark, Clock::now()) >= 0) {
        unsigned phase = 12345;
        for (int run = 0; run < plan.switchRuns; ++run) {
            phase = phase * 1103515245u + 12345u;
            plat::SleepMs((phase >> 8) % static_cast<unsigned>(interval));
            const Clock::time_point t0 = Clock::now();
            site.sim().SwapMaster(site.pair());
            mark = Site::OtherMark(mark);
            const double ms = UntilServedBy(block->ctx(), mark, t0);
            if (ms < 0) break;
            times.push_back(ms);
        }
    }
    ordax_test::CloseCommand(*block);
    return times;
}

}  // namespace

void MeasureSwitchOver(Site &site, const Plan &plan, Report &report) {
    for (const SwitchCase &c : kSwitchCases) {
        const std::vector<double> times = SwapTimes(site, plan, c.superviseInterval);
        report.Fail(plan.switchRuns - static_cast<int>(times.size()));
        Figure f{c.key, c.label, Median(times), "ms", 0};
        f.detail = "median of " + std::to_string(times.size()) + ":";
        for (double t : times) f.detail.append(" ").append(Fixed(t, 0));
        f.numbers = {{"runs", static_cast<double>(times.size())}};
        report.Add(f);
    }
}

}  // namespace bench
