// The data access commands through PdxMain against the in-process PLC
// simulator on loopback, measured in one run and printed as one table:
//   single-word reads per second (command 5);
//   1000-word PLC-5 and 256-word SLC 5 block reads (command 6), per second
//   and in words per second;
//   a single-word read through PdxMain against a bare blocking client
//   sending the identical frame on its own connection, medians side by side;
//   heap allocations per read and per write in steady state.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/context.h"
#include "host/tamhub.h"
#include "link/encap.h"
#include "link/link.h"
#include "ordax.h"
#include "tests/support/alloc_counter.h"
#include "tests/support/bare_client.h"
#include "tests/support/channel_block.h"
#include "tests/support/host_channel.h"
#include "tools/plcsim/plcsim.h"

namespace {

using namespace ordax;
using Clock = std::chrono::steady_clock;

constexpr char kPlc5Ip[] = "127.0.4.1";
constexpr char kSlcIp[] = "127.0.4.2";
constexpr int kChannel = 4;
constexpr int kSingleReads = 20000;
constexpr int kBlockReads = 2000;
constexpr int kSamples = 5000;
constexpr int kWarmup = 200;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double MicrosSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
}

void QuietSink(void *, int, const char *) {}

// A host's records of one gate: the parsed GateRecord and the GateAccess
// filled afresh from it before every call.
struct BenchGate {
    std::string text;
    GateRecord record{};
    GateAccess access{};
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(4096, 0);
    PdxCall call{};

    BenchGate(void *block, const char *address, int gateType, int blockLength) : text(address) {
        record.addressText = text.c_str();
        record.gateType = gateType;
        record.blockLength = blockLength;
        call.driverContext = block;
        call.channel = kChannel;
        call.command = blockLength > 0 ? PDX_PARSE_BLOCK : PDX_PARSE_GATE;
        call.args = &record;
    }
    bool Parse() { return PdxMain(&call) == PDX_DONE; }
    int Run(int command, int count) {
        access = GateAccess{text.c_str(),
                            0,
                            record.station,
                            record.fileType,
                            record.packedAddress,
                            record.bit,
                            record.valueBits,
                            0,
                            count,
                            0,
                            buffer.data()};
        call.command = command;
        call.args = &access;
        return PdxMain(&call);
    }
};

struct Rate {
    double perSecond;
    int failures;
};

Rate Repeat(BenchGate &gate, int command, int count, int times) {
    int failures = 0;
    const Clock::time_point t0 = Clock::now();
    for (int i = 0; i < times; ++i) failures += gate.Run(command, count) != PDX_DONE ? 1 : 0;
    return {times / (MicrosSince(t0) / 1e6), failures};
}

// Allocations of the calling thread per call, after a warm-up.
double AllocationsPerCall(BenchGate &gate, int command, int count) {
    for (int i = 0; i < kWarmup; ++i) gate.Run(command, count);
    const std::uint64_t a0 = alloc_counter::ThreadAllocations();
    for (int i = 0; i < 1000; ++i) gate.Run(command, count);
    return static_cast<double>(alloc_counter::ThreadAllocations() - a0) / 1000.0;
}

// Medians of PdxMain single-word reads and of bare round trips of the same
// request frame, alternated call by call.
struct Comparison {
    double driverUs;
    double bareUs;
    int failures;
};

Comparison CompareWithBareClient(BenchGate &gate) {
    // The request ReadGate sends for N7:12: built the same way, with the
    // bare connection's own session handle.
    auto ctx = ordax_test::NewChannelBlock(ordax_test::ChannelState::kOpen);
    ordax_test::ConfigureStation(*ctx, 1, kPlc5, kPlc5Ip, ordax_test::StationLock::kNone);
    Transaction &txn = ctx->txn;
    txn.function = ReadWords;
    txn.station = 1;
    txn.fileType = kFileN;
    txn.fileNumber = 7;
    txn.element = 12;
    txn.count = 1;
    ordax_test::BareClient bare;
    if (BuildPcccRequest(*ctx, txn, nullptr, kStationLockHeld) != kLinkOk || !bare.Open(kPlc5Ip)) {
        return {0, 0, 1};
    }
    std::uint8_t request[kFrameCapacity];
    const auto length = static_cast<std::size_t>(txn.frameLength);
    std::memcpy(request, txn.frame, length);
    std::memcpy(request + kEncapSession, bare.session, 4);
    std::uint8_t reply[kFrameCapacity];
    std::vector<double> driver, plain;
    int failures = 0;
    for (int i = 0; i < kWarmup + kSamples; ++i) {
        Clock::time_point t0 = Clock::now();
        failures += gate.Run(PDX_READ_GATE, 1) != PDX_DONE ? 1 : 0;
        const double d = MicrosSince(t0);
        t0 = Clock::now();
        failures += bare.RoundTrip(request, length, reply) ? 0 : 1;
        const double b = MicrosSince(t0);
        if (i < kWarmup) continue;
        driver.push_back(d);
        plain.push_back(b);
    }
    return {Median(driver), Median(plain), failures};
}

int Run() {
    plcsim::Simulator sim;
    if (sim.AddStation({kPlc5Ip, plcsim::Family::Plc5, "", 2222}) < 0 ||
        sim.AddStation({kSlcIp, plcsim::Family::Slc5, "", 2222}) < 0 || !sim.Start()) {
        std::printf("simulator could not start: %s\n", sim.LastError().c_str());
        return 1;
    }
    TamHubSetMessageSink(&QuietSink, nullptr);
    ordax_test::NodeDir dir;
    dir.Write(kChannel, {"T 60000; 250; 5000; 5000;", "01 = 127.0.4.1", "02 = 127.0.4.2-SLC5"});
    auto block = ordax_test::NewHostBlock();
    if (ordax_test::OpenCommand(*block, kChannel, 1, 100) != PDX_DONE) return 1;

    BenchGate word(block->bytes, "01N007012", 1, 0);
    BenchGate plc5Block(block->bytes, "01N007000", 1, 1000);
    BenchGate slcBlock(block->bytes, "02N007000", 1, 256);
    if (!word.Parse() || !plc5Block.Parse() || !slcBlock.Parse()) return 1;

    const Rate single = Repeat(word, PDX_READ_GATE, 1, kSingleReads);
    const Rate plc5 = Repeat(plc5Block, PDX_READ_BLOCK, 1000, kBlockReads);
    const Rate slc = Repeat(slcBlock, PDX_READ_BLOCK, 256, kBlockReads);
    const Comparison cmp = CompareWithBareClient(word);
    const double readAllocs = AllocationsPerCall(word, PDX_READ_GATE, 1);
    const double writeAllocs = AllocationsPerCall(word, PDX_WRITE_GATE, 1);
    const double blockAllocs = AllocationsPerCall(plc5Block, PDX_READ_BLOCK, 1000);
    ordax_test::CloseCommand(*block);

    const int failures = single.failures + plc5.failures + slc.failures + cmp.failures;
    std::printf("data access through PdxMain, simulator on loopback (failures %d)\n", failures);
    std::printf("  %-44s %12.0f\n", "single-word reads per second", single.perSecond);
    std::printf("  %-44s %12.0f  words/s %10.0f\n", "PLC-5 1000-word block reads per second",
                plc5.perSecond, plc5.perSecond * 1000);
    std::printf("  %-44s %12.0f  words/s %10.0f\n", "SLC 5 256-word block reads per second",
                slc.perSecond, slc.perSecond * 256);
    std::printf("  %-44s %12.2f us\n", "single-word read, PdxMain median", cmp.driverUs);
    std::printf("  %-44s %12.2f us\n", "same frame, bare blocking client median", cmp.bareUs);
    std::printf("  %-44s %12.3f  (target <= 1.10)\n", "ratio of medians",
                cmp.driverUs / cmp.bareUs);
    std::printf("  %-44s %12.3f\n", "heap allocations per single-word read", readAllocs);
    std::printf("  %-44s %12.3f\n", "heap allocations per single-word write", writeAllocs);
    std::printf("  %-44s %12.3f\n", "heap allocations per 1000-word block read", blockAllocs);
    TamHubSetMessageSink(nullptr, nullptr);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main() {
    return Run();
}
