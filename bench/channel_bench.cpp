// The channel lifecycle on loopback against the in-process PLC simulator,
// measured in one run and printed as one table:
//   (a) command 1 with 100 answering stations: time until it returns;
//   (b) an open channel of 100 idle stations: the channel thread's own CPU;
//   (c) hot-backup switch-over: from the simulator's master swap to the
//       first host read served by the new master, for two supervise
//       intervals.
#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/relaxed.h"
#include "host/tamhub.h"
#include "link/link.h"
#include "ordax.h"
#include "platform/clock.h"
#include "tests/channel/channel_fixture.h"
#include "tools/plcsim/plcsim.h"

namespace {

using namespace ordax;
using Clock = std::chrono::steady_clock;

constexpr int kStations = 100;
constexpr int kOpenRuns = 5;
constexpr int kIdleSeconds = 10;
constexpr int kSwitchRuns = 5;
constexpr int kPairStation = 5;
constexpr std::uint16_t kBaseMark = 0xAAAA;  // N7:0 of each processor of the pair
constexpr std::uint16_t kStandbyMark = 0xBBBB;

double MsSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::string StationIp(int i) {
    return "127.0.3." + std::to_string(i + 1);
}

// The host's message log: only the moment of the last connection counts.
std::atomic<std::int64_t> gLastConnectNs{0};
std::atomic<int> gMessages{0};

void Sink(void *, int, const char *text) {
    ++gMessages;
    if (std::strncmp(text, "Ordax : Connected to", 20) == 0) {
        gLastConnectNs = Clock::now().time_since_epoch().count();
    }
}

double ThreadCpuMs(const DriverContext &ctx) {
    clockid_t id;
    if (pthread_getcpuclockid(static_cast<pthread_t>(ctx.channelThread), &id) != 0) return -1;
    timespec t{};
    clock_gettime(id, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct OpenFigures {
    std::vector<double> returns;    // ms until command 1 returned
    std::vector<double> connected;  // ms until the last station was connected
};

// (a) Opens and closes the channel of 100 stations kOpenRuns times.
bool MeasureOpen(chantest::HostBlock &block, OpenFigures &out) {
    for (int run = 0; run < kOpenRuns; ++run) {
        const Clock::time_point t0 = Clock::now();
        const int rc = chantest::OpenCommand(block, 21, 1, 50);
        out.returns.push_back(MsSince(t0));
        const auto last = Clock::time_point(Clock::duration(gLastConnectNs.load()));
        out.connected.push_back(std::chrono::duration<double, std::milli>(last - t0).count());
        int connected = 0;
        for (StationEntry &st : block.ctx().stations) {
            connected += chantest::ViewLocked(st).socket != plat::kNoSocket ? 1 : 0;
        }
        chantest::CloseCommand(block);
        if (rc != PDX_DONE || connected != kStations) {
            std::printf("open failed: result %d, %d stations connected\n", rc, connected);
            return false;
        }
    }
    return true;
}

// (b) The channel thread's CPU over kIdleSeconds of an open, idle channel.
bool MeasureIdle(chantest::HostBlock &block, double &threadMs, double &processMs) {
    if (chantest::OpenCommand(block, 21, 1, 50) != PDX_DONE) return false;
    plat::SleepMs(1000);  // past the first walks
    const double thread0 = ThreadCpuMs(block.ctx());
    const double process0 = ProcessCpuMs();
    plat::SleepMs(kIdleSeconds * 1000);
    threadMs = ThreadCpuMs(block.ctx()) - thread0;
    processMs = ProcessCpuMs() - process0;
    chantest::CloseCommand(block);
    return thread0 >= 0;
}

// Reads every 5 ms until the processor marked `mark` answers; ms, or -1.
double UntilServedBy(DriverContext &ctx, std::uint16_t mark, Clock::time_point t0) {
    while (MsSince(t0) < 30000) {
        std::uint16_t value = 0;
        if (chantest::ReadN7(ctx, kPairStation, &value) == kLinkOk && value == mark) {
            return MsSince(t0);
        }
        plat::SleepMs(5);
    }
    return -1;
}

// (c) Swap-to-served times of the pair with the given superviseInterval.
std::vector<double> MeasureSwitch(plcsim::Simulator &sim, int pair, int interval) {
    chantest::NodeDir dir;
    dir.Write(22, {"T " + std::to_string(interval) + "; 250; 1000; 1000;",
                   "05 = 127.0.3.101, 127.0.3.102"});
    auto block = chantest::NewHostBlock();
    std::vector<double> times;
    if (chantest::OpenCommand(*block, 22, 1, 50) != PDX_DONE) return times;
    const int base = 100;  // handles of the pair, after the 100 stations
    std::uint16_t master = sim.Master(pair) == base ? kBaseMark : kStandbyMark;
    if (UntilServedBy(block->ctx(), master, Clock::now()) < 0) return times;
    unsigned phase = 12345;
    for (int run = 0; run < kSwitchRuns; ++run) {
        phase = phase * 1103515245u + 12345u;
        plat::SleepMs((phase >> 8) % static_cast<unsigned>(interval));  // a fresh phase
        const Clock::time_point t0 = Clock::now();
        sim.SwapMaster(pair);
        master = master == kBaseMark ? kStandbyMark : kBaseMark;
        times.push_back(UntilServedBy(block->ctx(), master, t0));
    }
    chantest::CloseCommand(*block);
    return times;
}

std::string List(const std::vector<double> &v) {
    std::string s;
    char item[32];
    for (double x : v) {
        std::snprintf(item, sizeof item, "%s%.0f", s.empty() ? "" : " ", x);
        s += item;
    }
    return s;
}

}  // namespace

int main() {
    plcsim::Simulator sim;
    for (int i = 0; i < kStations; ++i) {
        const auto family = i % 2 == 0 ? plcsim::Family::Plc5 : plcsim::Family::Slc5;
        if (sim.AddStation({StationIp(i), family, "", 2222}) < 0) {
            std::printf("simulator: %s\n", sim.LastError().c_str());
            return 1;
        }
    }
    const int base = sim.AddStation({"127.0.3.101", plcsim::Family::Plc5, "", 2222});
    const int standby = sim.AddStation({"127.0.3.102", plcsim::Family::Plc5, "", 2222});
    const int pair = sim.AddHotBackupPair(base, standby);
    if (pair < 0 || !sim.Start()) {
        std::printf("simulator: %s\n", sim.LastError().c_str());
        return 1;
    }
    sim.station(base).SetWord({plcsim::FileType::N, 7, 0, 0}, kBaseMark);
    sim.station(standby).SetWord({plcsim::FileType::N, 7, 0, 0}, kStandbyMark);
    TamHubSetMessageSink(Sink, nullptr);

    chantest::NodeDir dir;
    std::vector<std::string> lines = {"T 5000; 250; 1000; 1000;"};
    for (int i = 0; i < kStations; ++i) {
        char line[48];
        std::snprintf(line, sizeof line, "%02d = %s%s", i, StationIp(i).c_str(),
                      i % 2 == 0 ? "" : "-SLC5");
        lines.push_back(line);
    }
    dir.Write(21, lines);
    auto block = chantest::NewHostBlock();

    OpenFigures open;
    double threadMs = 0, processMs = 0;
    if (!MeasureOpen(*block, open) || !MeasureIdle(*block, threadMs, processMs)) return 1;
    const std::vector<double> slow = MeasureSwitch(sim, pair, 5000);
    const std::vector<double> fast = MeasureSwitch(sim, pair, 1000);
    const double perMinute = 60.0 / kIdleSeconds;

    std::printf("channel lifecycle, loopback, in-process simulator\n");
    std::printf("%-58s %12s  %s\n", "measurement", "result", "detail");
    std::printf("%-58s %9.1f ms  median of %d (min %.1f, max %.1f), target < 300 ms\n",
                "(a) command 1, 100 answering stations: returns after", Median(open.returns),
                kOpenRuns, *std::min_element(open.returns.begin(), open.returns.end()),
                *std::max_element(open.returns.begin(), open.returns.end()));
    std::printf("%-58s %9.1f ms  median of %d\n", "    last station connected after",
                Median(open.connected), kOpenRuns);
    std::printf("%-58s %9.2f ms  per minute = %.4f %% of a core (over %d s)\n",
                "(b) channel thread CPU, 100 idle stations", threadMs * perMinute,
                threadMs / (kIdleSeconds * 10.0), kIdleSeconds);
    std::printf("%-58s %9.2f ms  per minute, simulator included\n", "    whole process CPU",
                processMs * perMinute);
    std::printf("%-58s %9.0f ms  median of %zu: %s\n",
                "(c) swap to first read served, superviseInterval 5000", Median(slow), slow.size(),
                List(slow).c_str());
    std::printf("%-58s %9.0f ms  median of %zu: %s\n",
                "    swap to first read served, superviseInterval 1000", Median(fast), fast.size(),
                List(fast).c_str());
    TamHubSetMessageSink(nullptr, nullptr);
    const bool complete = slow.size() == kSwitchRuns && fast.size() == kSwitchRuns &&
                          std::find(slow.begin(), slow.end(), -1) == slow.end() &&
                          std::find(fast.begin(), fast.end(), -1) == fast.end();
    return complete ? 0 : 1;
}
