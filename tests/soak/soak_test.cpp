// Soak of the whole driver as hosts use it: three channels with 100
// simulated stations among them (hot-backup pairs included), each driven
// by one host thread through PdxMain while a fault thread makes the plant
// misbehave at random: late replies, swallowed requests, replies with a
// wrong TNS in front, split frames, connections closed mid-frame, dropped
// and refused connections, program mode and master swaps. Afterwards:
// every value the driver reported written is in the processor, every read
// it reported done returned a value the processor could hold, and once the
// faults stop every station is connected again (on its pair's master)
// within the supervise interval and one pass. A second test opens and
// closes channels 200 times and looks for growth of descriptors, threads
// and heap.
//
// The starting value of the random faults and exchanges is printed; the counts of
// exchanges, results and faults are printed at the end.
//
//   ORDAX_SOAK_SECONDS=600   how long the faults last (default 40 s; the
//                            whole program then takes about a minute)
//   ORDAX_SOAK_RANDOM=12345    repeat a run's random choices (the timing of
//                            the threads still differs from run to run)
//
// Stations on 127.0.5.x and 127.0.6.x, port 2222.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/context.h"
#include "host/tamhub.h"
#include "host/tamhub_gate.h"
#include "platform/clock.h"
#include "platform/lock.h"
#include "testkit/host_channel.h"
#include "testkit/process_resources.h"
#include "tests/soak/soak_faults.h"
#include "tests/soak/soak_host.h"
#include "tests/soak/soak_plant.h"

namespace soak {
namespace {

constexpr int kDefaultSeconds = 40;
// One walk over a channel's stations once the plant behaves, generously:
// the sanitizer builds run several times slower on two shared cores.
constexpr std::uint32_t kPassAllowanceMs = 5000;

std::uint64_t EnvNumber(const char *name, std::uint64_t fallback) {
    const char *text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

// Counts the driver's operator messages by level instead of logging them.
struct MessageCounter {
    std::atomic<std::uint64_t> byLevel[2] = {};  // 8, 32
    MessageCounter() { TamHubSetMessageSink(&Sink, this); }
    ~MessageCounter() { TamHubSetMessageSink(nullptr, nullptr); }
    static void Sink(void *user, int level, const char *) {
        ++static_cast<MessageCounter *>(user)->byLevel[level == 8 ? 0 : 1];
    }
};

// True when every station of the channel has a connection, a pair's on
// the master processor; read under each station's lock.
bool AllConnected(SoakHost &host, const Plant &plant) {
    for (const PlantStation &ps : host.channel().stations) {
        ordax::StationEntry &st = host.ctx().stations[ps.number];
        plat::LockEnter(&st.lock);
        const bool connected = st.socket != plat::kNoSocket;
        const std::string address(st.address, strnlen(st.address, sizeof st.address));
        plat::LockLeave(&st.lock);
        const int master = plant.ActiveProcessor(ps);
        const std::string &want = ps.ips[master == ps.processors[0] ? 0 : 1];
        if (!connected || address != want) return false;
    }
    return true;
}

// Within the supervise interval and one walk over the stations, every
// station is connected (and every pair on its master).
void ExpectAllConnected(const std::vector<std::unique_ptr<SoakHost>> &hosts, const Plant &plant,
                        const char *when) {
    const std::uint32_t start = plat::TickCount();
    const std::uint32_t limit = kSuperviseMs + kLoopSleepMs + kPassAllowanceMs;
    for (const auto &h : hosts) {
        while (!AllConnected(*h, plant) && plat::TickWithin(start, limit)) plat::SleepMs(10);
        EXPECT_TRUE(AllConnected(*h, plant))
            << "channel " << h->channel().plan.number << " " << when;
    }
    std::printf("soak: every station connected %u ms %s\n", plat::TickCount() - start, when);
}

// The same step on every channel at once, each on a thread of its own.
template <typename Step>
void EachHost(const std::vector<std::unique_ptr<SoakHost>> &hosts, Step step) {
    std::vector<std::thread> threads;
    for (const auto &h : hosts) threads.emplace_back([&step, host = h.get()] { step(*host); });
    for (std::thread &t : threads) t.join();
}

void PrintCounts(const std::vector<std::unique_ptr<SoakHost>> &hosts, const FaultThread &faults,
                 const MessageCounter &messages) {
    HostCounts sum;
    for (const auto &h : hosts) {
        const HostCounts &c = h->counts();
        for (int op = 0; op < kOps; ++op)
            for (int r = 0; r < 3; ++r) sum.results[op][r] += c.results[op][r];
        sum.otherResults += c.otherResults;
        sum.checkedReads += c.checkedReads;
        sum.parses += c.parses;
        sum.timeoutChanges += c.timeoutChanges;
    }
    std::printf(
        "soak: %llu exchanges, %llu reads checked, %llu gates parsed again, "
        "%llu reply time-out changes\n",
        static_cast<unsigned long long>(sum.exchanges()),
        static_cast<unsigned long long>(sum.checkedReads),
        static_cast<unsigned long long>(sum.parses),
        static_cast<unsigned long long>(sum.timeoutChanges));
    const char *opNames[kOps] = {"reads", "writes"};
    for (int op = 0; op < kOps; ++op) {
        std::printf("soak: %-6s result 0: %llu, 1: %llu, 2: %llu\n", opNames[op],
                    static_cast<unsigned long long>(sum.results[op][0]),
                    static_cast<unsigned long long>(sum.results[op][1]),
                    static_cast<unsigned long long>(sum.results[op][2]));
    }
    std::uint64_t total = 0;
    for (int k = 0; k < kFaultKinds; ++k) {
        total += faults.counts()[k];
        std::printf("soak: fault %-22s %llu\n", FaultName(static_cast<FaultKind>(k)),
                    static_cast<unsigned long long>(faults.counts()[k]));
    }
    std::printf("soak: %llu faults, %llu messages at level 8, %llu at level 32\n",
                static_cast<unsigned long long>(total),
                static_cast<unsigned long long>(messages.byLevel[0].load()),
                static_cast<unsigned long long>(messages.byLevel[1].load()));
    EXPECT_EQ(sum.otherResults, 0u);
}

void ExpectNoViolations(const std::vector<std::unique_ptr<SoakHost>> &hosts, const char *when) {
    for (const auto &h : hosts) {
        const std::vector<std::string> &v = h->violations();
        EXPECT_TRUE(v.empty()) << when << ": " << v.size() << " violations, first: " << v.front();
    }
}

TEST(Soak, FaultsLoseNoWriteReadNoStrangerAndStationsReconnect) {
    const std::uint64_t randomStart = EnvNumber("ORDAX_SOAK_RANDOM", std::random_device{}());
    const std::uint64_t seconds = EnvNumber("ORDAX_SOAK_SECONDS", kDefaultSeconds);
    std::printf("soak: random start %llu, %llu s of faults\n",
                static_cast<unsigned long long>(randomStart),
                static_cast<unsigned long long>(seconds));
    std::fflush(stdout);
    MessageCounter messages;
    Plant plant;
    std::string error;
    ASSERT_TRUE(plant.Build(&error)) << error;
    ordax_test::NodeDir dir;
    ASSERT_TRUE(dir.ok()) << dir.error();
    FaultThread faults(plant, randomStart);
    std::vector<std::unique_ptr<SoakHost>> hosts;
    for (const PlantChannel &channel : plant.channels) {
        dir.Write(channel.plan.number, plant.NodeLines(channel));
        hosts.push_back(
            std::make_unique<SoakHost>(plant, channel, faults, randomStart + hosts.size() + 1));
        ASSERT_EQ(hosts.back()->Open(), PDX_DONE)
            << "channel " << channel.plan.number << ": " << hosts.back()->violations().front();
    }

    faults.Start();
    for (auto &h : hosts) h->Start();
    plat::SleepMs(static_cast<std::uint32_t>(seconds * 1000));
    for (auto &h : hosts) h->Stop();
    faults.Stop();
    for (auto &h : hosts) h->CheckPlant(false);
    ExpectNoViolations(hosts, "under faults");

    // The channel threads reconnect what the driver knows to be down and
    // follow every pair to its master; a connection the plant closed while
    // nothing was sent on it is found by the next exchange (one reply
    // time-out: a closed peer only ever returns 0 bytes) and then
    // reconnected at once.
    ExpectAllConnected(hosts, plant, "after the faults stopped");
    EachHost(hosts, [](SoakHost &h) { h.Probe(); });
    ExpectAllConnected(hosts, plant, "after one read of every station");
    EachHost(hosts, [](SoakHost &h) {
        h.FinalRound();
        h.CheckPlant(true);
    });
    ExpectNoViolations(hosts, "after faults");
    PrintCounts(hosts, faults, messages);
    for (auto &h : hosts) EXPECT_EQ(h->Close(), PDX_DONE);
}

// ---- Open and close -----------------------------------------------------

constexpr int kCycleThreads = 4;
constexpr int kCyclesPerThread = 50;
constexpr int kCycleChannelBase = 91;
const char *const kCycleNodeLines[] = {
    "T 1000; 10; 500; 500;", "00 = 127.0.6.200",
    "01 = 127.0.6.201-SLC5", "02 = 127.0.6.202,127.0.6.203",
    "03 = 127.0.6.210",  // nothing listens: refused at every attempt
};
// Room for what the process itself may keep from one count to the next
// (the C library's buffers, a thread's arena); one leaked socket or
// thread record per cycle would be 200 of them.
constexpr int kDescriptorSlack = 2;
constexpr int kThreadSlack = 0;
constexpr std::size_t kHeapSlack = 8192;

// Every thread opens, reads one word through and closes its own channel
// `cycles` times.
void OpenCloseCycles(int cycles, std::atomic<int> &failures) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kCycleThreads; ++t) {
        threads.emplace_back([t, cycles, &failures] {
            for (int c = 0; c < cycles; ++c) {
                auto block = ordax_test::NewHostBlock();
                const int channel = kCycleChannelBase + t;
                OpenArgs open{};
                open.openNow = 1;
                open.timeoutCs = kTimeoutCs;
                int bad = ordax_test::HostCall(block->bytes, PDX_OPEN_CHANNEL, channel, &open) !=
                          PDX_DONE;
                GateRecord record{};
                record.addressText = "00N007000";
                record.gateType = 1;
                bad += ordax_test::HostCall(block->bytes, PDX_PARSE_GATE, channel, &record) !=
                       PDX_DONE;
                std::uint8_t cell[4] = {};
                GateAccess access = TamHubGateAccess(&record, 1, cell);
                bad +=
                    ordax_test::HostCall(block->bytes, PDX_READ_GATE, channel, &access) != PDX_DONE;
                bad += ordax_test::HostCall(block->bytes, PDX_CLOSE_CHANNEL, channel, nullptr) !=
                       PDX_DONE;
                failures += bad;
            }
        });
    }
    for (std::thread &t : threads) t.join();
}

// Once the simulator has closed its side of every connection and
// forgotten its request history, the process holds what it holds at rest.
// A thread just joined may still be on its way out of the system's thread
// table for a moment (long enough to see under an emulator), so with
// `threadsAtMost` the count is also awaited, generously, down to that.
ordax_test::Resources AtRest(plcsim::Simulator &sim, const std::vector<int> &handles,
                             int threadsAtMost = -1) {
    const std::uint32_t start = plat::TickCount();
    while (sim.counters().openConnections != 0 && plat::TickWithin(start, 10000)) {
        plat::SleepMs(10);
    }
    for (int h : handles) sim.station(h).ClearHistory();
    const std::uint32_t settle = plat::TickCount();
    while (threadsAtMost >= 0 && ordax_test::ThreadCount() > threadsAtMost &&
           plat::TickWithin(settle, 5000)) {
        plat::SleepMs(10);
    }
    return ordax_test::Snapshot();
}

TEST(Soak, OpenCloseCyclesLeaveNoDescriptorThreadOrHeapBehind) {
    MessageCounter messages;
    plcsim::Simulator sim;
    std::vector<int> handles;
    const std::pair<const char *, plcsim::Family> kProcessors[] = {
        {"127.0.6.200", plcsim::Family::Plc5},
        {"127.0.6.201", plcsim::Family::Slc5},
        {"127.0.6.202", plcsim::Family::Plc5},
        {"127.0.6.203", plcsim::Family::Plc5},
    };
    for (const auto &[ip, family] : kProcessors) {
        handles.push_back(sim.AddStation({ip, family, "", 2222}));
        ASSERT_GE(handles.back(), 0) << sim.LastError();
    }
    ASSERT_GE(sim.AddHotBackupPair(handles[2], handles[3]), 0);
    ASSERT_TRUE(sim.Start());
    ordax_test::NodeDir dir;
    ASSERT_TRUE(dir.ok()) << dir.error();
    for (int t = 0; t < kCycleThreads; ++t) {
        dir.Write(kCycleChannelBase + t, {std::begin(kCycleNodeLines), std::end(kCycleNodeLines)});
    }
    std::atomic<int> failures{0};

    OpenCloseCycles(10, failures);  // the first cycles settle what stays (allocator caches)
    const ordax_test::Resources before = AtRest(sim, handles);
    OpenCloseCycles(kCyclesPerThread, failures);
    const ordax_test::Resources after = AtRest(sim, handles, before.threads + kThreadSlack);

    std::printf("soak: %d open/close cycles: before %s; after %s\n",
                kCycleThreads * kCyclesPerThread, before.Text().c_str(), after.Text().c_str());
    EXPECT_EQ(failures.load(), 0);
    EXPECT_LE(after.descriptors, before.descriptors + kDescriptorSlack);
    EXPECT_LE(after.threads, before.threads + kThreadSlack);
    EXPECT_LE(after.heapBytes, before.heapBytes + kHeapSlack);
    EXPECT_GT(messages.byLevel[1].load(), 0u);  // the version line of every open
}

}  // namespace
}  // namespace soak
