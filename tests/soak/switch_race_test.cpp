// Host calls that look at a station's record without taking its lock, a
// gate parsed again (commands 3 and 4) and a new reply time-out (command
// 15), while the channel thread keeps switching a hot-backup pair and
// reading its master flag with that time-out. The records stay the same;
// under ThreadSanitizer an unsynchronized access to the station's family
// or to the time-out shows up here. Stations on 127.0.6.220-222.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <thread>

#include "core/context.h"
#include "platform/clock.h"
#include "platform/lock.h"
#include "testkit/host_channel.h"
#include "testkit/messages.h"
#include "tests/soak/soak_plant.h"
#include "tools/plcsim/plcsim.h"

namespace soak {
namespace {

constexpr int kChannel = 95;
constexpr std::uint32_t kRunMs = 2000;
constexpr std::uint32_t kSwapEveryMs = 15;

struct ParseCase {
    const char *text;
    int gateType;
    int blockLength;  // > 0: command 4
};
const ParseCase kParses[] = {
    {"00N007010", 1, 0},  {"00F008005", PDX_GATE_REAL, 0},   {"00B00300207", PDX_GATE_DIGITAL, 0},
    {"00N007100", 1, 20}, {"00G009001", PDX_GATE_STRING, 0}, {"01N007010", 1, 0},
};

TEST(Soak, GateParsesAndTimeoutChangesWhileThePairSwitches) {
    ordax_test::MessageCapture log;
    plcsim::Simulator sim;
    const int a = sim.AddStation({"127.0.6.220", plcsim::Family::Plc5, "", 2222});
    const int b = sim.AddStation({"127.0.6.221", plcsim::Family::Plc5, "", 2222});
    ASSERT_GE(sim.AddStation({"127.0.6.222", plcsim::Family::Slc5, "", 2222}), 0);
    ASSERT_GE(sim.AddHotBackupPair(a, b), 0) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    ordax_test::NodeDir dir;
    ASSERT_TRUE(dir.ok()) << dir.error();
    dir.Write(kChannel,
              {"T 100; 5; 500; 500;", "00 = 127.0.6.220,127.0.6.221", "01 = 127.0.6.222-SLC5"});
    auto block = ordax_test::NewHostBlock();
    ASSERT_EQ(ordax_test::OpenCommand(*block, kChannel, 1, kTimeoutCs), PDX_DONE);
    ordax::DriverContext &ctx = block->ctx();
    auto call = [&](int command, void *args) {
        return ordax_test::HostCall(block->bytes, command, kChannel, args);
    };
    auto parse = [&](const ParseCase &p) {
        GateRecord r{};
        r.addressText = p.text;
        r.gateType = p.gateType;
        r.blockLength = p.blockLength;
        const int result = call(p.blockLength > 0 ? PDX_PARSE_BLOCK : PDX_PARSE_GATE, &r);
        EXPECT_EQ(result, PDX_DONE) << p.text;
        return r;
    };
    GateRecord first[std::size(kParses)];
    for (std::size_t i = 0; i < std::size(kParses); ++i) first[i] = parse(kParses[i]);

    std::atomic<bool> done{false};
    std::thread swapper([&] {
        while (!done) {
            sim.SwapMaster(0);
            plat::SleepMs(kSwapEveryMs);
        }
    });
    std::set<std::string> active;  // addresses station 00 was seen on
    const std::uint32_t start = plat::TickCount();
    for (int n = 0; plat::TickWithin(start, kRunMs); ++n) {
        const std::size_t i = static_cast<std::size_t>(n) % std::size(kParses);
        const GateRecord again = parse(kParses[i]);
        EXPECT_EQ(std::memcmp(&again, &first[i], sizeof again), 0) << kParses[i].text;
        TimeoutArgs timeout{};
        timeout.timeoutCs = n % 2 == 0 ? kTimeoutCs : kLongTimeoutCs;
        EXPECT_EQ(call(PDX_SET_REPLY_TIMEOUT, &timeout), PDX_DONE);
        plat::LockEnter(&ctx.stations[0].lock);
        active.insert(ctx.stations[0].address);
        plat::LockLeave(&ctx.stations[0].lock);
        plat::SleepMs(1);
    }
    done = true;
    swapper.join();
    EXPECT_EQ(active.size(), 2u) << "the pair never switched";
    EXPECT_EQ(ordax_test::CloseCommand(*block), PDX_DONE);
}

}  // namespace
}  // namespace soak
