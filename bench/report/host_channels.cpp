// A host that opens 32 channels of 99 answering stations each, one after
// the other (command 1 each, which returns when its channel's first walk,
// the 99 connects side by side, has ended), and then closes them: the time
// of all 32 opens.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "bench/report/measure.h"

namespace bench {

namespace {

constexpr int kOpenTimeoutCs = 50;

std::string Stations(const Site &site) {
    const int sets = site.HostChannelSets();
    std::string text = std::to_string(kHostChannels * kHostChannelStations) + " connections to ";
    if (sets == kHostChannels) return text + "as many simulated stations";
    text.append(std::to_string(sets * kHostChannelStations)).append(" simulated stations (");
    text.append(std::to_string(sets))
        .append(" sets of 99 shared by the channels: descriptor limit ");
    text.append(std::to_string(site.DescriptorLimit())).append(")");
    return text;
}

}  // namespace

void MeasureHostChannels(const Site &site, const Plan &plan, Report &report) {
    std::vector<std::unique_ptr<ordax_test::HostBlock>> blocks;
    for (int i = 0; i < kHostChannels; ++i) blocks.push_back(ordax_test::NewHostBlock());
    std::vector<double> totals, slowest, closes;
    for (int run = 0; run < plan.hostChannelRuns; ++run) {
        double slowestOpen = 0;
        int failed = 0;
        const Clock::time_point t0 = Clock::now();
        for (int i = 0; i < kHostChannels; ++i) {
            const Clock::time_point t1 = Clock::now();
            failed += ordax_test::OpenCommand(*blocks[static_cast<std::size_t>(i)],
                                              kFirstHostChannel + i, 1, kOpenTimeoutCs) != PDX_DONE;
            slowestOpen = std::max(slowestOpen, MsSince(t1));
        }
        totals.push_back(MsSince(t0));
        slowest.push_back(slowestOpen);
        int connected = 0;
        for (auto &block : blocks) connected += ConnectedStations(block->ctx());
        report.Fail(failed != 0 || connected != kHostChannels * kHostChannelStations ? 1 : 0);
        const Clock::time_point t2 = Clock::now();
        for (auto &block : blocks) ordax_test::CloseCommand(*block);
        closes.push_back(MsSince(t2));
    }
    Figure f{"open_32_channels_99_stations_ms", "command 1 of 32 channels x 99 stations, in turn",
             Median(totals), "ms", 0};
    f.detail = "median of " + std::to_string(totals.size()) + "; slowest single open " +
               Fixed(Median(slowest), 1) + " ms, closing all 32 " + Fixed(Median(closes), 0) +
               " ms; " + Stations(site);
    f.numbers = {{"slowest_open_ms", Median(slowest)},
                 {"close_all_ms", Median(closes)},
                 {"station_sets", site.HostChannelSets()},
                 {"runs", static_cast<double>(totals.size())}};
    report.Add(f);
}

}  // namespace bench
