// ordax_bench_report: every figure of the driver measured in one run on
// loopback against the in-process simulator, printed as one table and
// written as JSON.
//   ordax_bench_report [--quick] [--json PATH]
// Exit 0 when every measurement ran (whatever the figures), 1 when a
// measurement failed, 2 on wrong arguments.
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/report/figures.h"
#include "bench/report/measure.h"
#include "bench/report/plan.h"
#include "bench/report/site.h"

namespace {

using namespace bench;

constexpr char kTraceVariable[] = "ORDAX_TRACE";
constexpr char kUsage[] = "usage: ordax_bench_report [--quick] [--json PATH]\n";

// The data access figures share channel 4, open for all three, and channel
// 5 of the same stations with the frame trace on: ORDAX_TRACE is set for
// its command 1 only.
void MeasureAccess(const Plan &plan, Report &report) {
    auto block = ordax_test::NewHostBlock();
    auto traced = ordax_test::NewHostBlock();
    ::setenv(kTraceVariable, kTraceFile, 1);
    const int tracedOpen = ordax_test::OpenCommand(*traced, kTraceChannel, 1, 100);
    ::unsetenv(kTraceVariable);
    if (tracedOpen != PDX_DONE || traced->ctx().trace == nullptr ||
        ordax_test::OpenCommand(*block, kAccessChannel, 1, 100) != PDX_DONE) {
        report.Fail();
    }
    MeasureRoundTrips(*block, *traced, plan, report);
    MeasureBlockReads(*block, plan, report);
    MeasureAllocations(*block, *traced, plan, report);
    ordax_test::CloseCommand(*block);
    ordax_test::CloseCommand(*traced);
}

// "--quick" and "--json FILE"; false on anything else.
bool ParseArgs(int argc, char **argv, const Plan *&plan, std::string &json) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            plan = &kQuickPlan;
        } else if (std::strcmp(argv[i], "--json") == 0 && i + 1 < argc) {
            json = std::filesystem::absolute(argv[++i]).string();
        } else {
            return false;
        }
    }
    return true;
}

// Every measurement, with the site standing; false when the simulator
// could not start.
bool MeasureAll(const Plan &plan, Report &report) {
    // The node files live in a temporary current directory while the
    // site stands; the JSON path was made absolute before.
    Site site;
    std::string error;
    if (!site.Start(error)) {
        std::fprintf(stderr, "simulator could not start: %s\n", error.c_str());
        return false;
    }
    InstallMessageSink();
    MeasureAccess(plan, report);
    MeasureSplitReplies(site, plan, report);
    MeasureParallelChannels(plan, report);
    MeasureFleet(plan, report);
    MeasureSilentStations(plan, report);
    MeasureSwitchOver(site, plan, report);
    MeasureHostChannels(site, plan, report);
    RemoveMessageSink();
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    const Plan *plan = &kFullPlan;
    std::string json;
    if (!ParseArgs(argc, argv, plan, json)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Every other channel of the run goes without a trace, whatever the
    // environment says.
    ::unsetenv(kTraceVariable);
    Report report;
    report.mode = plan->mode;
    if (!MeasureAll(*plan, report)) return 1;
    PrintTable(report, stdout);
    if (!json.empty()) {
        if (!WriteJson(report, json)) {
            std::fprintf(stderr, "cannot write %s\n", json.c_str());
            return 1;
        }
        std::printf("JSON: %s\n", json.c_str());
    }
    return report.failures == 0 ? 0 : 1;
}
