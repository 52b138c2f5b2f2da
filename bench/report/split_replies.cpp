// Replies in pieces: a single-word read whose header and data come 1 ms
// apart, and a 1000-word PLC-5 block in 1460-byte pieces 2 ms apart, each
// in rounds beside the same read from a station that sends whole frames,
// so that machine noise hits both alike. The figures are the extra time
// the pieces cost (medians); the pauses between the pieces themselves
// take 1 ms and 2 ms (the block's 2036-byte reply is two pieces).
#include <vector>

#include "bench/report/host_gate.h"
#include "bench/report/measure.h"
#include "testkit/host_channel.h"

namespace bench {

namespace {

struct SplitCase {
    const char *key;
    const char *label;
    const char *whole;  // gate on the station that sends whole frames
    const char *split;  // the same gate on the station that sends pieces
    int words;          // 0: a single-word read (command 5), else a block (command 6)
    double target;      // ms more than the whole read
};

constexpr SplitCase kSplitCases[] = {
    {"split_word_read_extra_ms", "one-word read, header, data 1 ms apart: + over whole",
     "01N007012", "03N007012", 0, 1.3},
    {"split_block_read_extra_ms", "1000-word block, 1460-byte pieces 2 ms apart: + over whole",
     "01N007000", "04N007000", 1000, 2.5},
};

int Read(HostGate &gate, int words) {
    return words == 0 ? gate.Run(PDX_READ_GATE, 1) : gate.Run(PDX_READ_BLOCK, words);
}

}  // namespace

void MeasureSplitReplies(Site &site, const Plan &plan, Report &report) {
    site.sim().station(site.splitHeader()).SetSplit({kSplitHeaderPiece, kSplitRest}, 1);
    site.sim().station(site.splitBlock()).SetSplit({kSplitSegment}, 2);
    auto block = ordax_test::NewHostBlock();
    if (ordax_test::OpenCommand(*block, kSplitChannel, 1, 100) != PDX_DONE) {
        report.Fail();
        return;
    }
    for (const SplitCase &c : kSplitCases) {
        HostGate whole(block->bytes, kSplitChannel, c.whole, 1, c.words);
        HostGate split(block->bytes, kSplitChannel, c.split, 1, c.words);
        if (!whole.Parse() || !split.Parse()) {
            report.Fail();
            continue;
        }
        std::vector<double> wholeUs;
        std::vector<double> splitUs;
        int failures = 0;
        for (int i = 0; i < plan.warmup / 10 + plan.splitReads; ++i) {
            Clock::time_point t0 = Clock::now();
            failures += Read(whole, c.words) != PDX_DONE;
            const double w = MicrosSince(t0);
            t0 = Clock::now();
            failures += Read(split, c.words) != PDX_DONE;
            const double s = MicrosSince(t0);
            if (i < plan.warmup / 10) continue;
            wholeUs.push_back(w);
            splitUs.push_back(s);
        }
        report.Fail(failures);
        const double w = Median(wholeUs);
        const double s = Median(splitUs);
        Figure f{c.key, c.label, (s - w) / 1000.0, "ms", 2, c.target};
        f.detail = Fixed(s / 1000.0, 2) + " ms / " + Fixed(w / 1000.0, 2) + " ms, " +
                   std::to_string(splitUs.size()) + " pairs";
        f.numbers = {{"split_median_us", s},
                     {"whole_median_us", w},
                     {"pairs", static_cast<double>(splitUs.size())}};
        report.Add(f);
    }
    ordax_test::CloseCommand(*block);
}

}  // namespace bench
