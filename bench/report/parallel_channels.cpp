// Single-word reads (command 5) per second on 1 channel driven by 1 host
// thread, against 4 channels driven side by side by 4 host threads; each
// channel has its own 20000-byte block and its own station. The two are
// measured in short alternating rounds; the rates are medians, the gain the
// median of each round's ratio, so that a busy spell of the machine moves
// both sides of a round alike.
#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include "bench/report/host_gate.h"
#include "bench/report/measure.h"

namespace bench {

namespace {

struct Channel {
    std::unique_ptr<ordax_test::HostBlock> block = ordax_test::NewHostBlock();
    std::unique_ptr<HostGate> gate;
    int failures = 0;
};

void Reads(Channel &channel, int count) {
    for (int i = 0; i < count; ++i) {
        channel.failures += channel.gate->Run(PDX_READ_GATE, 1) != PDX_DONE;
    }
}

struct Round {
    double readsPerSecond;
    double cpuUsPerRead;  // the whole process's: host threads, channel threads, simulator
};

// The first `used` channels side by side, one thread each.
Round SideBySide(std::vector<Channel> &channels, int used, int count) {
    std::latch go(1);
    std::vector<std::thread> threads;
    for (int i = 0; i < used; ++i) {
        threads.emplace_back([&, i] {
            go.wait();
            Reads(channels[static_cast<std::size_t>(i)], count);
        });
    }
    const double cpu0 = ProcessCpuMs();
    const Clock::time_point t0 = Clock::now();
    go.count_down();
    for (std::thread &t : threads) t.join();
    const double reads = used * count;
    return {reads / (MicrosSince(t0) / 1e6), (ProcessCpuMs() - cpu0) * 1e3 / reads};
}

// Opens each channel and parses its gate; a failure counts in `report`.
void OpenChannels(std::vector<Channel> &channels, Report &report) {
    for (int i = 0; i < kParallelChannels; ++i) {
        Channel &c = channels[static_cast<std::size_t>(i)];
        c.gate = std::make_unique<HostGate>(c.block->bytes, kFirstParallelChannel + i, "01N007012",
                                            1, 0);
        if (ordax_test::OpenCommand(*c.block, kFirstParallelChannel + i, 1, 100) != PDX_DONE ||
            !c.gate->Parse()) {
            report.Fail();
        }
    }
}

// Each round's figures: reads per second and CPU per read of one channel
// and of all four, and the round's ratio of the two rates.
struct Rounds {
    std::vector<double> one, four, gains, cpuOne, cpuFour;
};

Rounds Alternate(std::vector<Channel> &channels, const Plan &plan) {
    Rounds r;
    for (int round = 0; round < plan.channelRounds; ++round) {
        const Round a = SideBySide(channels, 1, plan.channelReads);
        const Round b = SideBySide(channels, kParallelChannels, plan.channelReads);
        r.one.push_back(a.readsPerSecond);
        r.four.push_back(b.readsPerSecond);
        r.gains.push_back(b.readsPerSecond / a.readsPerSecond);
        r.cpuOne.push_back(a.cpuUsPerRead);
        r.cpuFour.push_back(b.cpuUsPerRead);
    }
    return r;
}

void AddFigures(const Rounds &r, const Plan &plan, Report &report) {
    const double single = Median(r.one);
    const double total = Median(r.four);
    const double gain = Median(r.gains);
    const std::string rounds = "median of " + std::to_string(r.one.size()) + " rounds of " +
                               std::to_string(plan.channelReads) + " reads per channel";
    Figure f1{"single_reads_1_channel", "single-word reads (command 5), 1 channel, 1 thread",
              single, "reads/s"};
    f1.detail = rounds + "; " + Fixed(Median(r.cpuOne), 1) + " us CPU per read";
    f1.numbers = {{"cpu_us_per_read", Median(r.cpuOne)}};
    report.Add(f1);
    Figure f4{"single_reads_4_channels", "single-word reads (command 5), 4 channels, 4 threads",
              total, "reads/s"};
    f4.detail = "total; x" + Fixed(gain, 2) + " the 1-channel figure (median of round ratios); " +
                Fixed(Median(r.cpuFour), 1) + " us CPU per read";
    f4.numbers = {{"ratio_to_1_channel", gain}, {"cpu_us_per_read", Median(r.cpuFour)}};
    report.Add(f4);
}

}  // namespace

void MeasureParallelChannels(const Plan &plan, Report &report) {
    std::vector<Channel> channels(kParallelChannels);
    OpenChannels(channels, report);
    for (Channel &c : channels) Reads(c, plan.warmup);
    const Rounds r = Alternate(channels, plan);
    for (Channel &c : channels) {
        ordax_test::CloseCommand(*c.block);
        report.Fail(c.failures);
    }
    AddFigures(r, plan, report);
}

}  // namespace bench
