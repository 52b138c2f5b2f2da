// Hot-backup switch-over: from the simulator's master swap to the first
// host read served by the new master, at a fresh phase of the supervise
// interval each time, for two supervise intervals, and for the shorter one
// again with 10 silent stations in the channel, each swap made while their
// connects (5 s each) are pending (after the phase, the swap waits for the
// next walk's connects when none are): the pair's flag is read between the
// slices of that wait; and with 10 half-open stations, whose session replies
// stop after 10 bytes, each swap made while their attempts are pending.
#include <optional>
#include <string>
#include <vector>

#include "bench/report/measure.h"
#include "platform/clock.h"
#include "testkit/host_channel.h"
#include "testkit/station_watch.h"

namespace bench {

namespace {

constexpr double kGiveUpMs = 30000;
constexpr std::uint32_t kPollMs = 5;

struct SwitchCase {
    const char *key;
    const char *label;
    int superviseInterval;
    int connectTimeout;
    int silent;    // silent stations 10.. beside the pair (station 05)
    int halfOpen;  // half-open stations after them
    std::optional<double> target;
};

constexpr SwitchCase kSwitchCases[] = {
    {"switch_over_ms_interval_5000", "hot-backup swap to first read served, supervise 5000 ms",
     5000, 1000, 0, 0, std::nullopt},
    {"switch_over_ms_interval_1000", "hot-backup swap to first read served, supervise 1000 ms",
     1000, 1000, 0, 0, std::nullopt},
    {"switch_over_ms_10_silent", "hot-backup swap, supervise 1000 ms, 10 silent stations", 1000,
     5000, 10, 0, std::nullopt},
    {"switch_over_ms_10_half_open", "hot-backup swap, supervise 1000 ms, 10 half-open stations",
     1000, 1000, 0, 10, 1500.0},
};

// "T interval; 250; connectTimeout; 1000;", the pair and the silent stations.
std::vector<std::string> PairChannel(const SwitchCase &c) {
    std::vector<std::string> lines = {"T " + std::to_string(c.superviseInterval) + "; 250; " +
                                          std::to_string(c.connectTimeout) + "; 1000;",
                                      "05 = " + std::string(kPairIps)};
    for (int k = 0; k < c.silent; ++k) lines.push_back(StationLine(10 + k, SilentIp(k), false));
    for (int k = 0; k < c.halfOpen; ++k) {
        lines.push_back(StationLine(10 + c.silent + k, HalfOpenIp(k), false));
    }
    return lines;
}

// Reads N7:0 every kPollMs until the processor marked `mark` answers; ms
// since t0, or -1.
double UntilServedBy(ordax::DriverContext &ctx, std::uint16_t mark, Clock::time_point t0) {
    while (MsSince(t0) < kGiveUpMs) {
        std::uint16_t value = 0;
        if (ordax_test::ReadN7(ctx, kPairStation, &value) == ordax::kLinkOk && value == mark) {
            return MsSince(t0);
        }
        plat::SleepMs(kPollMs);
    }
    return -1;
}

// Waits (at most one round of the silent stations: a connect wait and a
// supervise interval, and a second to spare) until the process holds
// `descriptors`, that is until the silent stations' connects are pending.
void AwaitPending(int descriptors, const SwitchCase &c) {
    const Clock::time_point t0 = Clock::now();
    while (OpenDescriptors() < descriptors &&
           MsSince(t0) < c.connectTimeout + c.superviseInterval + 1000) {
        plat::SleepMs(kPollMs);
    }
}

struct Swaps {
    std::vector<double> times;
    int pending = 0;  // swaps made while the silent stations' connects were pending
};

Swaps SwapTimes(Site &site, const Plan &plan, const SwitchCase &c) {
    const int interval = c.superviseInterval;
    site.WriteNodeFile(kPairChannel, PairChannel(c));
    auto block = ordax_test::NewHostBlock();
    Swaps swaps;
    std::vector<double> &times = swaps.times;
    std::uint16_t mark = site.MasterMark();
    if (ordax_test::OpenCommand(*block, kPairChannel, 1, 50) == PDX_DONE &&
        UntilServedBy(block->ctx(), mark, Clock::now()) >= 0) {
        // The first walk is over: no connect is pending, each one pending
        // later holds one more descriptor.
        const int base = OpenDescriptors();
        unsigned phase = 12345;
        for (int run = 0; run < plan.switchRuns; ++run) {
            phase = phase * 1103515245u + 12345u;
            plat::SleepMs((phase >> 8) % static_cast<unsigned>(interval));
            const int faulty = c.silent + c.halfOpen;
            if (faulty > 0) AwaitPending(base + faulty, c);
            swaps.pending += faulty > 0 && OpenDescriptors() >= base + faulty ? 1 : 0;
            const Clock::time_point t0 = Clock::now();
            site.sim().SwapMaster(site.pair());
            mark = Site::OtherMark(mark);
            const double ms = UntilServedBy(block->ctx(), mark, t0);
            if (ms < 0) break;
            times.push_back(ms);
        }
    }
    ordax_test::CloseCommand(*block);
    return swaps;
}

}  // namespace

void MeasureSwitchOver(Site &site, const Plan &plan, Report &report) {
    for (const SwitchCase &c : kSwitchCases) {
        const Swaps swaps = SwapTimes(site, plan, c);
        const std::vector<double> &times = swaps.times;
        report.Fail(plan.switchRuns - static_cast<int>(times.size()));
        Figure f{c.key, c.label, Median(times), "ms", 0, c.target};
        f.detail = "median of " + std::to_string(times.size()) + ":";
        for (double t : times) f.detail.append(" ").append(Fixed(t, 0));
        if (c.silent + c.halfOpen > 0) {
            f.detail.append("; connectTimeout ").append(std::to_string(c.connectTimeout));
            f.detail.append(" ms, the ").append(std::to_string(c.silent + c.halfOpen));
            f.detail.append(c.silent > 0 ? " silent connects" : " half-open attempts");
            f.detail.append(" pending at ").append(std::to_string(swaps.pending));
            f.detail.append(" of the swaps");
        }
        f.numbers = {{"runs", static_cast<double>(times.size())},
                     {"swaps_while_pending", swaps.pending}};
        report.Add(f);
    }
}

}  // namespace bench
