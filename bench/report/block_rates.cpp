// Block reads (command 6) through PdxMain: reads and words per second.
#include "bench/report/host_gate.h"
#include "bench/report/measure.h"

namespace bench {

namespace {

struct BlockCase {
    const char *key;
    const char *label;
    const char *address;
    int words;
};

constexpr BlockCase kBlockCases[] = {
    {"plc5_read_1_word", "PLC-5 1-word block reads (command 6)", "01N007000", 1},
    {"plc5_read_100_words", "PLC-5 100-word block reads (command 6)", "01N007000", 100},
    {"plc5_read_1000_words", "PLC-5 1000-word block reads (command 6)", "01N007000", 1000},
    {"slc5_read_256_words", "SLC 5 256-word block reads (command 6)", "02N007000", 256},
};

}  // namespace

void MeasureBlockReads(ordax_test::HostBlock &block, const Plan &plan, Report &report) {
    for (const BlockCase &c : kBlockCases) {
        HostGate gate(block.bytes, kAccessChannel, c.address, 1, c.words);
        if (!gate.Parse()) {
            report.Fail();
            continue;
        }
        int failures = 0;
        for (int i = 0; i < plan.warmup; ++i) failures += gate.Run(PDX_READ_BLOCK, c.words) != 0;
        const Clock::time_point t0 = Clock::now();
        for (int i = 0; i < plan.blockReads; ++i) {
            failures += gate.Run(PDX_READ_BLOCK, c.words) != PDX_DONE;
        }
        const double perSecond = plan.blockReads / (MicrosSince(t0) / 1e6);
        const double words = perSecond * c.words;
        report.Fail(failures);
        Figure f{c.key, c.label, perSecond, "reads/s"};
        f.detail = Fixed(words / 1e6, 2) + " million words/s, " + std::to_string(plan.blockReads) +
                   " reads";
        f.numbers = {{"words_per_second", words}, {"reads", plan.blockReads}};
        report.Add(f);
    }
}

}  // namespace bench
