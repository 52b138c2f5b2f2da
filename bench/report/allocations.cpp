// Heap allocations of the host's calling thread per read and per write
// through PdxMain, after a warm-up: a steady-state call allocates nothing.
// The only file of the report that counts allocations.
#include <cstdint>
#include <iterator>
#include <string>

#include "bench/report/host_gate.h"
#include "bench/report/measure.h"
#include "testkit/alloc_counter.h"

namespace bench {

namespace {

struct AllocationCase {
    int figure;  // index in kFigures
    int command;
    int blockLength;  // 0: a single gate
    const char *address;
};

constexpr AllocationCase kCases[] = {
    {0, PDX_READ_GATE, 0, "01N007012"},     {0, PDX_READ_BLOCK, 1000, "01N007000"},
    {0, PDX_READ_BLOCK, 256, "02N007000"},  {1, PDX_WRITE_GATE, 0, "01N007012"},
    {1, PDX_WRITE_BLOCK, 100, "01N007100"}, {1, PDX_WRITE_GATE, 0, "02N007012"},
    {2, PDX_READ_GATE, 0, "01N007012"},     {2, PDX_READ_BLOCK, 256, "02N007000"},
};

struct AllocationFigure {
    const char *key;
    const char *label;
    bool traced;  // on the channel whose frame trace is on
};

constexpr AllocationFigure kFigures[] = {
    {"allocations_per_read", "heap allocations per read (commands 5, 6)", false},
    {"allocations_per_write", "heap allocations per write (commands 7, 10)", false},
    {"allocations_per_read_trace_on", "heap allocations per read, frame trace on", true},
};

}  // namespace

void MeasureAllocations(ordax_test::HostBlock &block, ordax_test::HostBlock &traced,
                        const Plan &plan, Report &report) {
    for (int index = 0; index < static_cast<int>(std::size(kFigures)); ++index) {
        const AllocationFigure &fig = kFigures[index];
        ordax_test::HostBlock &on = fig.traced ? traced : block;
        const int channel = fig.traced ? kTraceChannel : kAccessChannel;
        double worst = 0;
        std::string detail;
        for (const AllocationCase &c : kCases) {
            if (c.figure != index) continue;
            HostGate gate(on.bytes, channel, c.address, 1, c.blockLength);
            const int count = c.blockLength > 0 ? c.blockLength : 1;
            if (!gate.Parse()) {
                report.Fail();
                continue;
            }
            int failures = 0;
            for (int i = 0; i < plan.warmup; ++i) failures += gate.Run(c.command, count) != 0;
            const std::uint64_t a0 = alloc_counter::ThreadAllocations();
            for (int i = 0; i < plan.allocationCalls; ++i) {
                failures += gate.Run(c.command, count) != PDX_DONE;
            }
            const double perCall =
                static_cast<double>(alloc_counter::ThreadAllocations() - a0) / plan.allocationCalls;
            report.Fail(failures);
            worst = perCall > worst ? perCall : worst;
            detail += (detail.empty() ? "" : ", ") + std::string(c.address) + " x" +
                      std::to_string(count) + ": " + Fixed(perCall, 3);
        }
        report.Add(Figure(fig.key, fig.label, worst, "per call", 3, 0.0)).detail = detail;
    }
}

}  // namespace bench
