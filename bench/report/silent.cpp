// Channels of 100 stations of which some are silent (a connect to them is
// never answered) or half-open (the session reply stops after 10 bytes):
// command 1 waits for the first walk, which awaits every connect and every
// session reply together, so it takes one connectTimeout or one
// sessionTimeout however many stations are silent or half-open; command 11
// while the connects of 50 silent stations, or the session replies of 10
// half-open ones, are pending returns once the walk looks at the stop
// request (every 50 ms).
#include <algorithm>
#include <optional>
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
    int silent;  // silent or half-open stations
    const char *key;
    const char *label;
    std::optional<double> target;
    const char *closeKey;  // nullptr: no close while pending
    const char *closeLabel;
    std::optional<double> closeTarget;
    const char *closeWait;  // what the close interrupts, for the detail
};

const SilentCase kCases[] = {
    {kTenSilentChannel, 10, "open_100_stations_10_silent_ms",
     "command 1, 100 stations of which 10 silent: returns after", std::nullopt, nullptr, nullptr,
     std::nullopt, nullptr},
    {kFiftySilentChannel, 50, "open_100_stations_50_silent_ms",
     "command 1, 100 stations of which 50 silent: returns after", std::nullopt,
     "close_50_pending_ms", "command 11 with 50 silent connects pending: returns after",
     std::nullopt, "connect wait"},
    {kTenHalfOpenChannel, 10, "open_100_stations_10_half_open_ms",
     "command 1, 100 stations of which 10 half-open: returns after", 1500.0,
     "close_10_half_open_pending_ms",
     "command 11 with 10 half-open session replies pending: returns after", 500.0, "session wait"},
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
        if (c.closeKey == nullptr) {
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
    Figure f{c.key, c.label, Median(opens), "ms", 0, c.target};
    f.detail = Spread(opens) + "; " + std::to_string(kFleetStations - c.silent) +
               " answering stations connected; node file \"" + kSilentTimers + "\"";
    f.numbers = {{"silent", c.silent}, {"runs", static_cast<double>(opens.size())}};
    report.Add(f);
    if (c.closeKey == nullptr) return;
    Figure g{c.closeKey, c.closeLabel, Median(closes), "ms", 1, c.closeTarget};
    g.detail = Spread(closes) + ", each 0.." + std::to_string(kCloseSpreadMs) +
               " ms into the 1000 ms " + c.closeWait + " of a walk (channel above)";
    g.numbers = {{"runs", static_cast<double>(closes.size())}};
    report.Add(g);
}

}  // namespace

void MeasureSilentStations(const Plan &plan, Report &report) {
    for (const SilentCase &c : kCases) MeasureCase(c, plan, report);
}

}  // namespace bench
