// Channels of 100 stations of which some are silent (a connect to them is
// never answered): command 1 waits for the first walk, which awaits every
// connect together, so it takes one connectTimeout however many stations
// are silent; command 11 while the connects of 50 silent stations are
// pending returns once the walk looks at the stop request (every 50 ms).
#include <algorithm>
#include <string>
#include <vector>

#include "bench/report/measure.h"
#include "platform/clock.h"

namespace bench {

namespace {

constexpr int kOpenTimeoutCs = 50;
constexpr double kPendingLimitMs = 3000;  // for the next walk to start its connects
constexpr unsigned kCloseSpreadMs = 800;  // close at a phase of the 1000 ms connect wait

struct SilentCase {
    int channel;
    int silent;
    const char *key;
    const char *label;
    bool closeWhilePending;
};

constexpr SilentCase kCases[] = {
    {kTenSilentChannel, 10, "open_100_stations_10_silent_ms",
     "command 1, 100 stations of which 10 silent: returns after", false},
    {kFiftySilentChannel, 50, "open_100_stations_50_silent_ms",
     "command 1, 100 stations of which 50 silent: returns after", true},
};

// After the open: waits until the channel's next walk has started the
// connects of the silent stations (the process holds that many more
// descriptors), lets a phase of their connect wait pass and times command
// 11. -1 when the connects were not seen.
double CloseWhilePending(ordax_test::HostBlock &block, int silent, unsigned phase) {
    const int base = OpenDescriptors();
    const Clock::time_point t0 = Clock::now();
    while (OpenDescriptors() < base + silent && MsSince(t0) < kPendingLimitMs) plat::SleepMs(2);
    if (OpenDescriptors() < base + silent) return -1;
    plat::SleepMs(phase % kCloseSpreadMs);
    const Clock::time_point t1 = Clock::now();
    ordax_test::CloseCommand(block);
    return MsSince(t1);
}

std::string Spread(const std::vector<double> &values) {
    if (values.empty()) return "none";
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return "median of " + std::to_string(values.size()) + " (" + Fixed(*low, 0) + ".." +
           Fixed(*high, 0) + ")";
}

void MeasureCase(const SilentCase &c, const Plan &plan, Report &report) {
    auto block = ordax_test::NewHostBlock();
    std::vector<double> opens, closes;
    unsigned phase = 4321;
    for (int run = 0; run < plan.openRuns; ++run) {
        const Clock::time_point t0 = Clock::now();
        const int rc = ordax_test::OpenCommand(*block, c.channel, 1, kOpenTimeoutCs);
        opens.push_back(MsSince(t0));
        const int connected = rc == PDX_DONE ? ConnectedStations(block->ctx()) : 0;
        report.Fail(connected == kFleetStations - c.silent ? 0 : 1);
        if (!c.closeWhilePending) {
            ordax_test::CloseCommand(*block);
            continue;
        }
        phase = phase * 1103515245u + 12345u;
        const double close = CloseWhilePending(*block, c.silent, phase >> 8);
        if (close >= 0) {
            closes.push_back(close);
        } else {
            report.Fail();
            ordax_test::CloseCommand(*block);
        }
    }
    Figure f{c.key, c.label, Median(opens), "ms", 0};
    f.detail = Spread(opens) + "; " + std::to_string(kFleetStations - c.silent) +
               " answering stations connected; node file \"" + kSilentTimers + "\"";
    f.numbers = {{"silent", c.silent}, {"runs", static_cast<double>(opens.size())}};
    report.Add(f);
    if (!c.closeWhilePending) return;
    Figure g{"close_50_pending_ms", "command 11 with 50 silent connects pending: returns after",
             Median(closes), "ms", 1};
    g.detail = Spread(closes) + ", each 0.." + std::to_string(kCloseSpreadMs) +
               " ms into the 1000 ms connect wait of a walk (channel above)";
    g.numbers = {{"runs", static_cast<double>(closes.size())}};
    report.Add(g);
}

}  // namespace

void MeasureSilentStations(const Plan &plan, Report &report) {
    for (const SilentCase &c : kCases) MeasureCase(c, plan, report);
}

}  // namespace bench
